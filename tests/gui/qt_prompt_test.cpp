// The program's file choices: paths are the file system's bytes, whatever their letters.
#include <QApplication>
#include <QFileDialog>
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

    test::GuiTestDirectory directory_;
    QString suggested_;

private slots:
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
