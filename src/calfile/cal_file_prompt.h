#pragma once

#include <QPointer>
#include <QWidget>

#include "common/user_prompt.h"

namespace zvr {

// The program's prompt, except that a cal file to open is chosen in CFileDialogEx, which
// shows the file's comments and takes only files that load.
class CalFilePrompt : public UserPrompt {
public:
    CalFilePrompt(UserPrompt& inner, QWidget* parent) : inner_(inner), parent_(parent) {}

    PromptAnswer show(const PromptMessage& message) override { return inner_.show(message); }
    std::optional<std::string> chooseFile(const FileChoice& choice) override;

private:
    UserPrompt& inner_;
    QPointer<QWidget> parent_;
};

}  // namespace zvr
