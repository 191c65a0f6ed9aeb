#include "gui_base/qt_prompt.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>

#include "gui_base/latin1.h"

namespace zvr {

namespace {

QMessageBox::Icon IconFor(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Warning:
            return QMessageBox::Warning;
        case PromptIcon::Error:
            return QMessageBox::Critical;
        case PromptIcon::Question:
            return QMessageBox::Question;
        default:
            return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons ButtonsFor(PromptButtons buttons) {
    switch (buttons) {
        case PromptButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case PromptButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case PromptButtons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        default:
            return QMessageBox::Ok;
    }
}

PromptAnswer AnswerFor(int button) {
    switch (button) {
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        case QMessageBox::Retry:
            return PromptAnswer::Retry;
        case QMessageBox::Cancel:
            return PromptAnswer::Cancel;
        default:
            return PromptAnswer::Ok;
    }
}

QMessageBox::StandardButton ButtonFor(PromptAnswer answer) {
    switch (answer) {
        case PromptAnswer::Yes:
            return QMessageBox::Yes;
        case PromptAnswer::No:
            return QMessageBox::No;
        case PromptAnswer::Cancel:
            return QMessageBox::Cancel;
        case PromptAnswer::Retry:
            return QMessageBox::Retry;
        default:
            return QMessageBox::Ok;
    }
}

}  // namespace

PromptAnswer QtPrompt::show(const PromptMessage& message) {
    // Message texts use CR LF line ends; a label wants LF.
    QString text = ToQ(message.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(IconFor(message.icon), ToQ(message.caption), text, ButtonsFor(message.buttons),
                    parent_);
    if (message.defaultAnswer) box.setDefaultButton(ButtonFor(*message.defaultAnswer));
    const std::pair<QMessageBox::StandardButton, const std::string*> words[] = {
        {QMessageBox::Yes, &message.yesText}, {QMessageBox::No, &message.noText}};
    for (auto [button, text] : words) {
        if (QAbstractButton* shown = box.button(button); shown && !text->empty())
            shown->setText(ToQ(*text));
    }
    const PromptAnswer answer = AnswerFor(box.exec());
    // Closing a Yes/No box by its window button answers No, not an OK nobody offered.
    if (answer == PromptAnswer::Ok && message.buttons == PromptButtons::YesNo) {
        return PromptAnswer::No;
    }
    return answer;
}

QString QtFileFilter(const std::string& filter) {
    // "Description|patterns|Description|patterns||": Qt wants "Description (patterns);;..."
    QStringList parts = ToQ(filter).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // A description that names its patterns already ("Cal Files(*.000;*.ZVR)") names
        // them once, in the form Qt reads.
        const QString description = parts[i].section(QLatin1Char('('), 0, 0).trimmed();
        filters << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<std::string> QtPrompt::chooseFile(const FileChoice& choice) {
    const QString filter = QtFileFilter(choice.filter);
    const QString path = choice.mode == FileChoiceMode::Open
                             ? QFileDialog::getOpenFileName(parent_, ToQ(choice.title),
                                                            ToQ(choice.suggestedName), filter)
                             : QFileDialog::getSaveFileName(parent_, ToQ(choice.title),
                                                            ToQ(choice.suggestedName), filter);
    if (path.isEmpty()) return std::nullopt;
    QString chosen = path;
    // The default extension ("*.ZVR") is added to a saved name that has none.
    const QString extension = ToQ(choice.defaultExtension).remove(QLatin1Char('*'));
    if (choice.mode == FileChoiceMode::Save && !extension.isEmpty() &&
        !QFileInfo(chosen).fileName().contains(QLatin1Char('.'))) {
        chosen += extension;
    }
    return FromQ(chosen);
}

}  // namespace zvr
