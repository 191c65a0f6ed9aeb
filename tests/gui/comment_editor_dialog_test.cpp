// "Cal File Comment List": keys, buttons, the warning for a dropped edit, and what OK does to
// the document.
#include <QPushButton>
#include <QTest>

#include "calfile/comment_editor_dialog.h"
#include "support/scripted_prompt.h"

namespace zvr {

class CommentEditorDialogTest : public QObject {
    Q_OBJECT

private:
    static DefinitionSet ThreeComments() {
        DefinitionSet set;
        set.comments.append({4, "saved by the factory"});
        set.comments.append({0, ""});
        set.comments.append({1, "speed trimmed"});
        return set;
    }

    struct Fixture {
        DefinitionSet set = ThreeComments();
        test::ScriptedPrompt prompt;
        CCommentEditorDlg editor{set, QStringLiteral("/cal/unit.ZVR"), prompt};
    };

    // Types text key by key, letters beyond ASCII too.
    static void Type(QWidget* widget, const QString& text) {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    static QStringList Items(QListWidget* list) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }

private slots:
    void showsTheTextsWithTheirTooltips() {
        Fixture f;
        f.editor.show();
        QCOMPARE(f.editor.windowTitle(), QStringLiteral("Cal File Comment List"));
        QCOMPARE(Items(f.editor.list()), (QStringList{QStringLiteral("saved by the factory"),
                                                      QStringLiteral("speed trimmed")}));
        QCOMPARE(f.editor.list()->currentRow(), 0);
        QCOMPARE(f.editor.editLine()->text(), QStringLiteral("saved by the factory"));
        const std::pair<const char*, const char*> tips[] = {
            {"addButton", "Enter text on top line and click here or press <Enter> to add as a new"},
            {"saveButton", "Click on a comment, Edit on top line, then here to save edit"},
            {"deleteButton", "Click on a comment, then here or press <Del> to delete."},
            {"cancelEditButton", "Cancels any pending changes"},
            {"okButton", "Saves all changes and closes window."},
            {"cancelButton", "Closes window without saving ANY changes."},
        };
        for (const auto& [name, tip] : tips)
            QCOMPARE(f.editor.button(QLatin1String(name))->toolTip(), QLatin1String(tip));
        for (const char* name : {"addButton", "saveButton", "cancelEditButton"})
            QVERIFY(!f.editor.button(QLatin1String(name))->isEnabled());
    }

    // The edit line takes only what the file can store, and says why it refused the rest:
    // nothing is cut to fit or turned into "?" when the file is written.
    void textTheFileCannotHoldIsRefusedWithTheReason() {
        Fixture f;
        f.editor.show();
        QLineEdit* edit = f.editor.editLine();
        edit->clear();
        QVERIFY(f.editor.limitNote()->isHidden());
        const QString full(255, QLatin1Char('a'));
        edit->insert(full);  // as a paste
        QCOMPARE(edit->text(), full);
        QVERIFY(f.editor.limitNote()->isHidden());
        struct Case {
            QString typed;
            bool paste;
            QString reason;
        };
        const Case cases[] = {
            {QStringLiteral("b"), false,
             QStringLiteral("The text is 256 characters long; the file holds at most 255.")},
            {QString(300, QLatin1Char('c')), true,
             QStringLiteral("The text is 555 characters long; the file holds at most 255.")},
        };
        for (const Case& c : cases) {
            if (c.paste) {
                edit->insert(c.typed);
            } else {
                Type(edit, c.typed);
            }
            QCOMPARE(edit->text(), full);
            QVERIFY(f.editor.limitNote()->isVisible());
            QCOMPARE(f.editor.limitNote()->text(), c.reason);
        }
        edit->setSelection(0, 255);
        Type(edit, QString::fromUtf8("5 \xE2\x82\xAC"));  // the euro sign
        QCOMPARE(edit->text(), QStringLiteral("5 "));
        QCOMPARE(f.editor.limitNote()->text(),
                 QStringLiteral("The character U+20AC cannot be stored: the file holds Western "
                                "European (Latin-1) characters only."));
        Type(edit, QString::fromUtf8("\xC2\xB5s"));  // Latin-1 has the micro sign
        QCOMPARE(edit->text(), QString::fromUtf8("5 \xC2\xB5s"));
        QVERIFY(f.editor.limitNote()->isHidden());
        QTest::keyClick(edit, Qt::Key_Return);  // add
        QTest::keyClick(edit, Qt::Key_Return);  // OK
        QCOMPARE(f.editor.result(), int(QDialog::Accepted));
        QCOMPARE(f.set.comments.entries().back()->text, std::string("5 \xB5s"));
    }

    void enterAddsThenClosesWithOk() {
        Fixture f;
        f.editor.show();
        f.editor.editLine()->clear();
        QTest::keyClicks(f.editor.editLine(), QStringLiteral("new pump"));
        QVERIFY(f.editor.button(QStringLiteral("addButton"))->isEnabled());
        QTest::keyClick(f.editor.editLine(), Qt::Key_Return);
        QCOMPARE(Items(f.editor.list()).last(), QStringLiteral("new pump"));
        QVERIFY(f.editor.editLine()->text().isEmpty());
        QVERIFY(f.editor.isVisible());
        QTest::keyClick(f.editor.editLine(), Qt::Key_Return);
        QCOMPARE(f.editor.result(), int(QDialog::Accepted));
        QCOMPARE(f.set.comments.count(), 3u);  // the empty comment is dropped
        for (const auto& comment : f.set.comments.entries())
            QCOMPARE(comment->accessLevel, uint8_t(0));
        QCOMPARE(f.set.comments.entries()[2]->text, std::string("new pump"));
    }

    void aDroppedEditIsReportedAndTheEntryKept() {
        Fixture f;
        f.editor.show();
        QTest::keyClicks(f.editor.editLine(), QStringLiteral(" and more"));
        f.editor.list()->setCurrentRow(1);
        QCOMPARE(f.prompt.texts(), std::vector<std::string>{"Edits not saved"});
        QCOMPARE(f.editor.list()->item(0)->text(), QStringLiteral("saved by the factory"));
        QCOMPARE(f.editor.editLine()->text(), QStringLiteral("speed trimmed"));
    }

    void functionKeysDeleteAndEscape() {
        Fixture f;
        f.editor.show();
        QTest::keyClick(f.editor.editLine(), Qt::Key_F5);  // from the first: the last
        QCOMPARE(f.editor.list()->currentRow(), 1);
        QTest::keyClick(f.editor.editLine(), Qt::Key_F6);  // from the last: the first
        QCOMPARE(f.editor.list()->currentRow(), 0);
        QTest::keyClick(f.editor.list(), Qt::Key_Delete);
        QCOMPARE(Items(f.editor.list()), QStringList{QStringLiteral("speed trimmed")});
        QTest::keyClick(f.editor.editLine(), Qt::Key_Escape);
        QCOMPARE(f.editor.result(), int(QDialog::Rejected));
        QCOMPARE(f.set.comments.count(), 3u);  // Cancel leaves the document alone
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::CommentEditorDialogTest)
#include "comment_editor_dialog_test.moc"
