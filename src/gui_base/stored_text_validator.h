#pragma once

#include <QLineEdit>
#include <QValidator>
#include <functional>

namespace zvr {

// Lets a line take only what a cal or setup file can store: Latin-1 text of at most 255
// bytes, so nothing is cut or turned into "?" when the file is written. A refused keystroke
// or paste leaves the line as it was; every check hands its reason (empty when the text is
// fine) to the caller, who shows it.
class StoredTextValidator : public QValidator {
public:
    StoredTextValidator(std::function<void(const QString& reason)> said, QObject* parent);

    State validate(QString& input, int& position) const override;

private:
    std::function<void(const QString&)> said_;
};

// The validator on edit, saying why it refused in a tooltip at the line.
void LimitToStoredText(QLineEdit* edit);

}  // namespace zvr
