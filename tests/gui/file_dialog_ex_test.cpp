// The cal-file dialog: the comment panel, OK only for a file that loads, and viewer mode.
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "calfile/file_dialog_ex.h"
#include "definitions/cal_file.h"
#include "gui/gui_test_support.h"
#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"

namespace zvr {

class FileDialogExTest : public QObject {
    Q_OBJECT

private:
    static QStringList Items(QListWidget* list) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }

    test::GuiTestDirectory directory_;
    test::ScriptedPrompt prompt_;

private slots:
    void initTestCase() {
        DefinitionSet set;
        set.header.strategyName = "ZVX41R03";
        set.comments.append({0, "first"});
        set.comments.append({0, ""});
        set.comments.append({2, "second"});
        test::WriteBytes("unit.ZVR", test::WrittenBytes(set, "unit.ZVR"));
        DefinitionSet empty;
        empty.comments.append({0, ""});
        test::WriteBytes("empty.000", test::WrittenBytes(empty, "empty.000"));
        test::WriteBytes("notes.txt", "not a cal file");
        test::WriteBytes("broken.ZVR", "not a cal file either");
    }

    void okOnlyForAFileThatLoads() {
        CFileDialogEx dialog(true, QStringLiteral("*.000"), QString(), kCalFileOpenFilter, prompt_);
        dialog.SetTitle(QStringLiteral("Choose a Calibration file to download"));
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Choose a Calibration file to download"));
        struct Case {
            const char* file;
            bool ok;
            QStringList lines;
        };
        const Case cases[] = {
            {"unit.ZVR", true, {QStringLiteral(" 1: first"), QStringLiteral(" 2: second")}},
            {"notes.txt", false, {}},
            {"empty.000", true, {QStringLiteral("No Comments Found.")}},
            {"broken.ZVR", false, {}},
        };
        for (const Case& c : cases) {
            dialog.ShowFile(QDir::current().absoluteFilePath(QLatin1String(c.file)));
            QCOMPARE(dialog.okButton()->isEnabled(), c.ok);
            QCOMPARE(Items(dialog.commentList()), c.lines);
        }
        dialog.ShowFile(QDir::current().absoluteFilePath(QStringLiteral("unit.ZVR")));
        QVERIFY(prompt_.shown.empty());
    }

    // Typing a name shows that file's comments in place of the clicked file's, and Open
    // takes the typed file.
    void aTypedNameIsShownAndOpened() {
        CFileDialogEx dialog(true, QStringLiteral("*.000"), QString(), kCalFileOpenFilter, prompt_);
        dialog.show();
        dialog.ShowFile(QDir::current().absoluteFilePath(QStringLiteral("unit.ZVR")));
        auto* nameField = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(nameField);
        // The user types into the focused field of the active dialog.
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        nameField->setFocus();
        struct Case {
            const char* typed;
            bool ok;
            QStringList lines;
        };
        const Case cases[] = {
            {"notes.txt", false, {}},
            {"empty.000", true, {QStringLiteral("No Comments Found.")}},
        };
        for (const Case& c : cases) {
            nameField->clear();
            QTest::keyClicks(nameField, QLatin1String(c.typed));
            QCOMPARE(Items(dialog.commentList()), c.lines);
            QCOMPARE(dialog.okButton()->isEnabled(), c.ok);
        }
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.SelectedPath(),
                 QDir::current().absoluteFilePath(QStringLiteral("empty.000")));
    }

    void aNameTypedForAFileThatDoesNotLoadIsNotTaken() {
        CFileDialogEx dialog(true, QStringLiteral("*.000"), QString(), kCalFileOpenFilter, prompt_);
        dialog.show();
        dialog.ShowFile(QDir::current().absoluteFilePath(QStringLiteral("unit.ZVR")));
        dialog.selectFile(QStringLiteral("broken.ZVR"));
        static_cast<QDialog&>(dialog).accept();  // as the OK button would
        QVERIFY(dialog.isVisible());
    }

    void viewerModeOnlyCloses() {
        CFileDialogEx dialog(true, QStringLiteral("*.000"), QString(), kCalFileOpenFilter, prompt_);
        dialog.SetViewerMode(true);
        dialog.show();
        QVERIFY(!dialog.okButton()->isVisible());
        auto* box = dialog.findChild<QDialogButtonBox*>();
        QCOMPARE(box->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Close"));
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::FileDialogExTest)
#include "file_dialog_ex_test.moc"
