// The calibration-file commands in the program: the menu entries, the hidden host view with
// its "ZVR PROGRESS" dialog, and save, compare and abort in demo mode.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "calfile/cal_file_view.h"
#include "calfile/calfile_commands.h"
#include "calfile/file_dialog_ex.h"
#include "calfile/text_dialog.h"
#include "connection/command_ids.h"
#include "definitions/cal_file.h"
#include "gui/program_window.h"
#include "settings/memory_settings_store.h"
#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"

namespace zvr {

class CalFileViewTest : public QObject {
    Q_OBJECT

private:
    // The main window in demo mode on the ZEVAR 740 demo strategy, with the commands.
    struct Fixture : test::ProgramWindow {
        Fixture() {
            RegisterCalFileCommands(services);
            frame.workflow().PortChosen("DEMO740");
            view = frame.findChild<CCalFile*>();
            view->SetShellOpener([this](const std::string& path) {
                opened.push_back(path);
                return desktopOpens;
            });
        }

        bool finished() { return !view->operations().busy(); }

        CCalFile* view = nullptr;
        std::vector<std::string> opened;
        bool desktopOpens = true;  // false: a desktop with no launcher for text files
    };

    test::GuiTestDirectory directory_;

private slots:
    void commandsAreEnabledOnceAControllerIsThere() {
        Fixture f;
        QTRY_VERIFY(f.document.definitions.scalars.count() > 0);
        QVERIFY(f.view != nullptr);
        QVERIFY(!f.view->isVisible());
        for (int command : {kCmdSaveCal, kCmdDownloadCal, kCmdCompareCal,
                            kCmdConvertControllerToText, kCmdConvertFileToText,
                            kCmdConvertFileToStrategy, kCmdViewTextFile, kCmdViewComments}) {
            QVERIFY2(f.frame.menus().action(command)->isEnabled(),
                     QByteArray::number(command).constData());
        }
    }

    void saveShowsProgressAndWritesTheFile() {
        Fixture f;
        QTRY_VERIFY(f.document.definitions.scalars.count() > 0);
        f.prompt.files = {"demo.ZVR"};
        f.prompt.answers = {PromptAnswer::No};
        f.frame.OnCommand(kCmdSaveCal);
        CProgressDlg* progress = f.view->progressDialog();
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->windowTitle(), QStringLiteral("ZVR PROGRESS"));
        QCOMPARE(progress->line1(), QStringLiteral("Processing Calibration Values"));
        QTRY_VERIFY(progress->bar()->value() > 2);
        QTRY_VERIFY_WITH_TIMEOUT(f.finished(), 30000);
        QVERIFY(!progress->isVisible());
        QCOMPARE(f.prompt.shown.back().text, std::string("demo.ZVR Created Successfully"));
        DefinitionSet saved;
        QCOMPARE(LoadCalFile(saved, "demo.ZVR", f.prompt), 0);
        QCOMPARE(saved.scalars.count(), f.document.definitions.scalars.count());

        // Demo mode answers with the strategy's values: the file matches.
        f.prompt.shown.clear();
        ChooseCalFile(QStringLiteral("demo.ZVR"));
        f.frame.OnCommand(kCmdCompareCal);
        QTRY_VERIFY_WITH_TIMEOUT(f.finished(), 30000);
        QCOMPARE(f.prompt.texts(), std::vector<std::string>{"File Matches Controller"});
    }

    // Paths are the file system's bytes: a folder and a file with an umlaut are saved and
    // chosen again in the cal-file dialog; messages show the name in the program's letters.
    void saveAndReopenUnderAFolderWithAnUmlaut() {
        Fixture f;
        QTRY_VERIFY(f.document.definitions.scalars.count() > 0);
        const QString path = QString::fromUtf8("M\xC3\xBChle/K\xC3\xBChler.ZVR");
        QVERIFY(QDir().mkdir(QString::fromUtf8("M\xC3\xBChle")));
        f.prompt.files = {"M\xC3\xBChle/K\xC3\xBChler.ZVR"};
        f.prompt.answers = {PromptAnswer::No};
        f.frame.OnCommand(kCmdSaveCal);
        QTRY_VERIFY_WITH_TIMEOUT(f.finished(), 30000);
        QCOMPARE(f.prompt.shown.back().text,
                 std::string("M\xFChle/K\xFChler.ZVR Created Successfully"));
        QVERIFY(QFileInfo(path).isFile());

        f.prompt.shown.clear();
        ChooseCalFile(path);
        f.frame.OnCommand(kCmdCompareCal);
        QTRY_VERIFY_WITH_TIMEOUT(f.finished(), 30000);
        QCOMPARE(f.prompt.texts(), std::vector<std::string>{"File Matches Controller"});
    }

    // Comments typed for a text conversion go into single-byte text: a letter it cannot hold
    // is refused and the prompt comes back with the text, instead of "?" in the file.
    void typedCommentsTheTextFileCannotHoldAreRefused() {
        Fixture f;
        QTRY_VERIFY(f.document.definitions.scalars.count() > 0);
        f.prompt.files = {"values.txt"};
        QStringList typed = {QString::fromUtf8("5 \xE2\x82\xAC"), QString::fromUtf8("5 \xC2\xB5s")};
        QTimer::singleShot(0, [&] { TypeComments(typed); });
        f.frame.OnCommand(kCmdConvertControllerToText);
        QTRY_VERIFY_WITH_TIMEOUT(typed.isEmpty() && f.finished(), 30000);
        QCOMPARE(f.prompt.texts(),
                 std::vector<std::string>{"The character U+20AC cannot be stored: the file holds "
                                          "Western European (Latin-1) characters only."});
        QVERIFY(test::ReadBytes("values.txt").find("**Comments:\r\n5 \xB5s\r\n") !=
                std::string::npos);
    }

    void abortStopsTheSaveAndKeepsTheOldFile() {
        Fixture f;
        QTRY_VERIFY(f.document.definitions.scalars.count() > 0);
        QFile old(QStringLiteral("old.ZVR"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        f.prompt.files = {"old.ZVR"};
        f.frame.OnCommand(kCmdSaveCal);
        QTRY_VERIFY(f.view->progressDialog()->bar()->value() > 2);
        f.view->progressDialog()->abortButton()->click();
        QTRY_VERIFY(f.finished());
        QVERIFY(!f.view->progressDialog()->isVisible());
        QTest::qWait(300);
        QVERIFY(f.prompt.shown.empty());
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
    }

    void compareDifferencesAreShownInTheTextDialog() {
        Fixture f;
        QTRY_VERIFY(f.document.definitions.scalars.count() > 0);
        DefinitionSet other;
        ScalarDef changed = *f.document.definitions.scalars.find("SET_SPEED_1");
        changed.fileRaw += 7;
        other.scalars.insert(changed);
        QFile::remove(QStringLiteral("other.ZVR"));
        QFile(QStringLiteral("other.ZVR")).open(QIODevice::WriteOnly);
        QCOMPARE(WriteCalFile(other, "other.ZVR", "ZVX41R03"), 0);

        QString shownTitle;
        QString shownText;
        QTimer::singleShot(0, [&] { CloseTextDialog(shownTitle, shownText); });
        ChooseCalFile(QStringLiteral("other.ZVR"));
        f.frame.OnCommand(kCmdCompareCal);
        QTRY_VERIFY_WITH_TIMEOUT(!shownTitle.isEmpty() && f.finished(), 10000);
        QCOMPARE(shownTitle, QStringLiteral("Compare Differences"));
        QVERIFY(shownText.contains(QStringLiteral("SET_SPEED_1")));
        QVERIFY(shownText.startsWith(QStringLiteral("Controller <> /")));
        QVERIFY(shownText.contains(QStringLiteral("/other.ZVR Mismatch List.\n")));
    }

    // A text file the desktop cannot open is shown in the program's own window, which says
    // where the file is; one the desktop opens is left to it.
    void aTextFileWithoutALauncherIsShownHere() {
        Fixture f;
        QTRY_VERIFY(f.document.definitions.scalars.count() > 0);
        // Latin-1 as the program's reports are written: "µs" is one byte.
        QFile report(QStringLiteral("report.txt"));
        QVERIFY(report.open(QIODevice::WriteOnly));
        report.write("SPEED_TIME   2.5 \xb5s\r\n");
        report.close();
        const QString path = QDir::current().absoluteFilePath(QStringLiteral("report.txt"));
        for (bool desktopOpens : {true, false}) {
            f.desktopOpens = desktopOpens;
            f.prompt.files = {"report.txt"};
            f.frame.OnCommand(kCmdViewTextFile);
            QCOMPARE(f.opened.back(), std::string("report.txt"));
            auto* window = Open<CTextDlg>();
            QCOMPARE(window != nullptr, !desktopOpens);
            if (window == nullptr) continue;
            QCOMPARE(window->text(), QStringLiteral("SPEED_TIME   2.5 \u00b5s\n"));
            QVERIFY(window->note().contains(path));
            QVERIFY(window->field()->isReadOnly());
            QVERIFY(!window->okButton()->isVisible());
            if (qEnvironmentVariableIsSet("ZVR_SCREENSHOTS")) {
                window->grab().save(qEnvironmentVariable("ZVR_SCREENSHOTS") +
                                    QStringLiteral("/text_file_window.png"));
            }
            window->cancelButton()->click();
            QTRY_VERIFY(Open<CTextDlg>() == nullptr);
        }
        QVERIFY(f.prompt.shown.empty());

        // A file that cannot be read is said so, not shown empty.
        f.prompt.files = {"gone.txt"};
        f.frame.OnCommand(kCmdViewTextFile);
        QVERIFY(Open<CTextDlg>() == nullptr);
        QCOMPARE(f.prompt.texts(),
                 std::vector<std::string>{"The text file gone.txt could not be shown."});
    }

private:
    template <typename Dialog>
    static Dialog* Open() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<Dialog*>(window); dialog && dialog->isVisible()) {
                return dialog;
            }
        }
        return nullptr;
    }

    // Picks the file in the cal-file dialog once it is open, as a user would.
    static void ChooseCalFile(const QString& file) {
        auto* dialog = Open<CFileDialogEx>();
        if (dialog == nullptr) {
            QTimer::singleShot(50, [file] { ChooseCalFile(file); });
            return;
        }
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Choose a Calibration file to compare"));
        const QString path = QDir::current().absoluteFilePath(file);
        // Into the file's folder, then its name typed into the name field, as a user would. A
        // folder typed with the name would race the dialog's own completion, which walks into
        // the folder while the name is being read.
        dialog->setDirectory(QFileInfo(path).absolutePath());
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QFileInfo(path).fileName());
        QCOMPARE(dialog->SelectedPath(), path);
        dialog->ShowFile(path);
        QVERIFY(dialog->okButton()->isEnabled());
        dialog->okButton()->click();
    }

    // Types each text in turn into the comment prompt, every time it opens, and saves it.
    static void TypeComments(QStringList& texts) {
        auto* dialog = Open<CTextDlg>();
        if (dialog == nullptr || !dialog->isVisible() || dialog->field()->isReadOnly()) {
            if (!texts.isEmpty()) QTimer::singleShot(50, [&] { TypeComments(texts); });
            return;
        }
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Enter Comments for this file"));
        dialog->field()->setPlainText(texts.takeFirst());
        dialog->okButton()->click();
        if (!texts.isEmpty()) QTimer::singleShot(50, [&] { TypeComments(texts); });
    }

    // Waits for the text dialog, pictures it, and closes it with "Close".
    static void CloseTextDialog(QString& title, QString& text) {
        auto* dialog = Open<CTextDlg>();
        if (dialog == nullptr) {
            QTimer::singleShot(50, [&] { CloseTextDialog(title, text); });
            return;
        }
        title = dialog->windowTitle();
        text = dialog->text();
        QVERIFY(dialog->field()->isReadOnly());
        QCOMPARE(dialog->okButton()->text(), QStringLiteral("Save to File"));
        QCOMPARE(dialog->cancelButton()->text(), QStringLiteral("Close"));
        dialog->cancelButton()->click();
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::CalFileViewTest)
#include "cal_file_view_test.moc"
