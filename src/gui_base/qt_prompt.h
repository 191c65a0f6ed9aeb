#pragma once

#include <QPointer>
#include <QWidget>

#include "common/user_prompt.h"

namespace zvr {

// Message boxes and file dialogs over the given window.
class QtPrompt : public UserPrompt {
public:
    explicit QtPrompt(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    PromptAnswer show(const PromptMessage& message) override;
    std::optional<std::string> chooseFile(const FileChoice& choice) override;

private:
    QPointer<QWidget> parent_;
};

// "Cal Files(*.000;*.ZVR)|*.000;*.ZVR||" as a Qt file dialog filter.
QString QtFileFilter(const std::string& filter);

}  // namespace zvr
