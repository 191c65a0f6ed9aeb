#include "gui_base/stored_text_validator.h"

#include <QToolTip>

#include "gui_base/latin1.h"

namespace zvr {

StoredTextValidator::StoredTextValidator(std::function<void(const QString&)> said, QObject* parent)
    : QValidator(parent), said_(std::move(said)) {}

QValidator::State StoredTextValidator::validate(QString& input, int&) const {
    const StoredText stored = StoredTextFromQ(input);
    if (said_) said_(ToQ(stored.refusal));
    return stored.ok() ? Acceptable : Invalid;
}

void LimitToStoredText(QLineEdit* edit) {
    edit->setValidator(new StoredTextValidator(
        [edit](const QString& reason) {
            if (!reason.isEmpty()) {
                QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())), reason, edit);
            }
        },
        edit));
}

}  // namespace zvr
