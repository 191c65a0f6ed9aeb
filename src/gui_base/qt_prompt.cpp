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

// Each kind of question the core can ask: its buttons, and the button Esc or the window's
// close box stands for (never one that acts: OK only where OK is all there is).
struct ButtonKind {
    PromptButtons kind;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton escape;
};

constexpr ButtonKind kButtonKinds[] = {
    {PromptButtons::Ok, QMessageBox::Ok, QMessageBox::Ok},
    {PromptButtons::OkCancel, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel},
    {PromptButtons::YesNo, QMessageBox::Yes | QMessageBox::No, QMessageBox::No},
    {PromptButtons::YesNoCancel, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
     QMessageBox::Cancel},
    {PromptButtons::RetryCancel, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Cancel},
};

const ButtonKind& KindOf(PromptButtons buttons) {
    for (const ButtonKind& kind : kButtonKinds) {
        if (kind.kind == buttons) return kind;
    }
    return kButtonKinds[0];
}

// The answer of the button that closed the box; anything else counts as its Esc button.
PromptAnswer AnswerFor(int button, QMessageBox::StandardButton escape) {
    switch (button) {
        case QMessageBox::Ok:
            return PromptAnswer::Ok;
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        case QMessageBox::Retry:
            return PromptAnswer::Retry;
        case QMessageBox::Cancel:
            return PromptAnswer::Cancel;
        default:
            return AnswerFor(escape, QMessageBox::Ok);
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
    const ButtonKind& kind = KindOf(message.buttons);
    QMessageBox box(IconFor(message.icon), ToQ(message.caption), text, kind.buttons, parent_);
    box.setEscapeButton(kind.escape);
    if (message.defaultAnswer) box.setDefaultButton(ButtonFor(*message.defaultAnswer));
    const std::pair<QMessageBox::StandardButton, const std::string*> words[] = {
        {QMessageBox::Yes, &message.yesText}, {QMessageBox::No, &message.noText}};
    for (auto [button, text] : words) {
        if (QAbstractButton* shown = box.button(button); shown && !text->empty())
            shown->setText(ToQ(*text));
    }
    return AnswerFor(box.exec(), kind.escape);
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
                                                            PathToQ(choice.suggestedName), filter)
                             : QFileDialog::getSaveFileName(parent_, ToQ(choice.title),
                                                            PathToQ(choice.suggestedName), filter);
    if (path.isEmpty()) return std::nullopt;
    QString chosen = path;
    // The default extension ("*.ZVR") is added to a saved name that has none.
    const QString extension = ToQ(choice.defaultExtension).remove(QLatin1Char('*'));
    if (choice.mode == FileChoiceMode::Save && !extension.isEmpty() &&
        !QFileInfo(chosen).fileName().contains(QLatin1Char('.'))) {
        chosen += extension;
    }
    return PathFromQ(chosen);
}

}  // namespace zvr
