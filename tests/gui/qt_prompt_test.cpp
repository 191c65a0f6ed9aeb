// The program's message boxes (each kind of question with its own buttons and its own Esc)
// and its file choices (paths are the file system's bytes, whatever their letters).
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "gui/gui_test_support.h"
#include "gui_base/qt_prompt.h"

namespace zvr {

class QtPromptTest : public QObject {
    Q_OBJECT

private:
    // Picks file in the file dialog once it is open, as a user would, and remembers the name
    // the dialog was opened with.
    void Pick(const QString& file) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QFileDialog*>(window); dialog && dialog->isVisible()) {
                suggested_ = dialog->selectedFiles().value(0);
                dialog->selectFile(QDir::current().absoluteFilePath(file));
                static_cast<QDialog*>(dialog)->accept();  // as the Open/Save button would
                return;
            }
        }
        QTimer::singleShot(50, this, [this, file] { Pick(file); });
    }

    // Once the message box is open: notes its buttons' texts, then presses key or clicks
    // the button with the text press.
    void Answer(const QString& press) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(window);
            if (box == nullptr || !box->isVisible()) continue;
            shownButtons_.clear();
            for (QAbstractButton* button : box->buttons())
                shownButtons_ << button->text().remove(QLatin1Char('&'));
            shownButtons_.sort();
            if (press == QStringLiteral("Esc")) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else {
                for (QAbstractButton* button : box->buttons()) {
                    if (button->text().remove(QLatin1Char('&')) == press) button->click();
                }
            }
            return;
        }
        QTimer::singleShot(20, this, [this, press] { Answer(press); });
    }

    test::GuiTestDirectory directory_;
    QString suggested_;
    QStringList shownButtons_;

private slots:
    // Every kind of question shows its own buttons and each answers for itself; Esc (and so
    // the close box) is the button that does nothing: Cancel where there is one, No on a
    // Yes/No question, OK on a plain message.
    void everyKindOfQuestionHasItsButtonsAndItsEscape() {
        struct Case {
            PromptButtons kind;
            QStringList buttons;  // sorted
            QString press;
            PromptAnswer answer;
        };
        const QStringList ok{QStringLiteral("OK")};
        const QStringList okCancel{QStringLiteral("Cancel"), QStringLiteral("OK")};
        const QStringList yesNo{QStringLiteral("No"), QStringLiteral("Yes")};
        const QStringList yesNoCancel{QStringLiteral("Cancel"), QStringLiteral("No"),
                                      QStringLiteral("Yes")};
        const QStringList retryCancel{QStringLiteral("Cancel"), QStringLiteral("Retry")};
        const Case cases[] = {
            {PromptButtons::Ok, ok, QStringLiteral("OK"), PromptAnswer::Ok},
            {PromptButtons::Ok, ok, QStringLiteral("Esc"), PromptAnswer::Ok},
            {PromptButtons::OkCancel, okCancel, QStringLiteral("OK"), PromptAnswer::Ok},
            {PromptButtons::OkCancel, okCancel, QStringLiteral("Cancel"), PromptAnswer::Cancel},
            {PromptButtons::OkCancel, okCancel, QStringLiteral("Esc"), PromptAnswer::Cancel},
            {PromptButtons::YesNo, yesNo, QStringLiteral("Yes"), PromptAnswer::Yes},
            {PromptButtons::YesNo, yesNo, QStringLiteral("No"), PromptAnswer::No},
            {PromptButtons::YesNo, yesNo, QStringLiteral("Esc"), PromptAnswer::No},
            {PromptButtons::YesNoCancel, yesNoCancel, QStringLiteral("Yes"), PromptAnswer::Yes},
            {PromptButtons::YesNoCancel, yesNoCancel, QStringLiteral("No"), PromptAnswer::No},
            {PromptButtons::YesNoCancel, yesNoCancel, QStringLiteral("Cancel"),
             PromptAnswer::Cancel},
            {PromptButtons::YesNoCancel, yesNoCancel, QStringLiteral("Esc"), PromptAnswer::Cancel},
            {PromptButtons::RetryCancel, retryCancel, QStringLiteral("Retry"), PromptAnswer::Retry},
            {PromptButtons::RetryCancel, retryCancel, QStringLiteral("Cancel"),
             PromptAnswer::Cancel},
            {PromptButtons::RetryCancel, retryCancel, QStringLiteral("Esc"), PromptAnswer::Cancel},
        };
        QWidget window;
        window.show();
        QtPrompt prompt(&window);
        for (const Case& c : cases) {
            shownButtons_.clear();
            QTimer::singleShot(0, this, [this, c] { Answer(c.press); });
            const PromptAnswer answer =
                prompt.show({"Position the stepper shaft to the center of "
                             "travel.",
                             kApplicationCaption, PromptIcon::Information, c.kind});
            const QString what =
                QStringLiteral("kind %1, %2").arg(static_cast<int>(c.kind)).arg(c.press);
            QVERIFY2(shownButtons_ == c.buttons, qPrintable(what + QStringLiteral(": ") +
                                                            shownButtons_.join(QLatin1Char(','))));
            QVERIFY2(answer == c.answer, qPrintable(what));
        }
    }

    void pathsWithLettersBeyondAsciiKeepTheirBytes() {
        const QString folder = QString::fromUtf8("M\xC3\xBChle");
        QVERIFY(QDir().mkdir(folder));
        QFile old(folder + QStringLiteral("/old.ZVR"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        const std::string cwd = QFile::encodeName(QDir::currentPath()).toStdString();
        struct Case {
            FileChoiceMode mode;
            QString picked;
            std::string expected;  // after the current folder
        };
        const Case cases[] = {
            {FileChoiceMode::Save, folder + QString::fromUtf8("/K\xC3\xBChler"),
             "/M\xC3\xBChle/K\xC3\xBChler.ZVR"},
            {FileChoiceMode::Open, folder + QString::fromUtf8("/K\xC3\xBChler.ZVR"),
             "/M\xC3\xBChle/K\xC3\xBChler.ZVR"},
        };
        QtPrompt prompt;
        for (const Case& c : cases) {
            if (c.mode == FileChoiceMode::Open) {
                QFile file(c.picked);
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
            QTimer::singleShot(0, this, [this, c] { Pick(c.picked); });
            const auto chosen = prompt.chooseFile({.mode = c.mode,
                                                   .title = "Select/Create File Name to save to.",
                                                   .filter = "CAL Files (*.ZVR)|*.ZVR||",
                                                   .defaultExtension = "*.ZVR",
                                                   .suggestedName = "M\xC3\xBChle/old.ZVR"});
            QVERIFY(chosen.has_value());
            QCOMPARE(*chosen, cwd + c.expected);
            QVERIFY(suggested_.endsWith(QString::fromUtf8("M\xC3\xBChle/old.ZVR")));
        }
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::QtPromptTest)
#include "qt_prompt_test.moc"
