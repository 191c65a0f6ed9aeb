// Password Management against a controller on a pty: the widgets follow the session, and the
// dialog closes with OK or Cancel when the session ends.
#include <QTest>
#include <QTimer>

#include "calibration/restore_points.h"
#include "gui/view_test_support.h"
#include "views/password_dialog.h"

namespace zvr {

class PasswordDialogTest : public QObject {
    Q_OBJECT

private:
    static void Type(CPasswordDlg& dialog, const QString& text) {
        dialog.entry()->setText(text);
        dialog.okButton()->click();
    }

    test::GuiTestDirectory directory_;

private slots:
    void checkOnlyClosesWithOkOnTheRightPassword() {
        test::LinkedDocument link;
        link.controller.setWord(0x4000, PasswordCode("abc"));
        CPasswordDlg dialog(link.document, link.prompt, PasswordMode::CheckOnly,
                            QStringLiteral("This Option requires a Password"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("This Option requires a Password"));
        QCOMPARE(dialog.promptText()->text(), QStringLiteral("Enter Password and Click OK"));
        QCOMPARE(dialog.entry()->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog.entry()->toolTip(),
                 QStringLiteral("Up to 14 characters, no spaces, case sensitive."));
        int result = -1;
        connect(&dialog, &QDialog::finished, this, [&](int r) { result = r; });
        dialog.open();

        Type(dialog, QStringLiteral("ABC"));
        QCOMPARE(dialog.status()->text(), QStringLiteral("Querying controller, please wait."));
        QTRY_COMPARE(dialog.status()->text(), QStringLiteral("Invalid Password!"));
        QCOMPARE(dialog.entry()->text(), QString());
        Type(dialog, QStringLiteral("abc"));
        QTRY_COMPARE(result, int(QDialog::Accepted));
        QVERIFY(link.document.AccessOpen());
    }

    void changeWritesTheNewCode() {
        test::LinkedDocument link;
        link.controller.setWord(0x4000, PasswordCode("old"));
        CPasswordDlg dialog(link.document, link.prompt, PasswordMode::Change);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Password Management"));
        QCOMPARE(dialog.promptText()->text(), QStringLiteral("Current Password:"));
        dialog.open();
        Type(dialog, QStringLiteral("old"));
        QTRY_COMPARE(dialog.status()->text(), QStringLiteral("Password Change Mode."));
        Type(dialog, QStringLiteral("n3w pass"));
        QCOMPARE(dialog.promptText()->text(),
                 QStringLiteral("Re-enter new password and click OK:"));
        Type(dialog, QStringLiteral("n3w pass"));
        QTRY_COMPARE(dialog.status()->text(),
                     QStringLiteral("The password was successfully updated in the controller."));
        QCOMPARE(link.controller.word(0x4000), PasswordCode("n3w"));
        // The journal says the password changed, never what it was or became.
        const auto journal = RestorePoints().Journal();
        QCOMPARE(journal.size(), size_t{1});
        QCOMPARE(journal[0].name, std::string("PASSWORD"));
        QCOMPARE(journal[0].oldValue, std::string(kHiddenValue));
        QCOMPARE(journal[0].newValue, std::string(kHiddenValue));
        QVERIFY(!dialog.entry()->isVisibleTo(&dialog));
        QVERIFY(!dialog.cancelButton()->isEnabled());
        dialog.okButton()->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void cancelDuringACheckThatNeverAnswers() {
        test::LinkedDocument link;
        link.controller.setSilent(true);
        CPasswordDlg dialog(link.document, link.prompt, PasswordMode::CheckOnly);
        dialog.open();
        Type(dialog, QStringLiteral("abc"));
        QTRY_COMPARE(dialog.status()->text(), QStringLiteral("There was a communication error."));
        dialog.okButton()->click();  // still waiting: OK does nothing
        QVERIFY(dialog.isVisible());
        dialog.cancelButton()->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::PasswordDialogTest)
#include "password_dialog_test.moc"
