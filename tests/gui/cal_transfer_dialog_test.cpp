// The wizards' transfer dialog in demo mode: its outcome messages and its Abort.
#include <QTest>

#include "calfile/cal_transfer_dialog.h"
#include "comm/data_server.h"
#include "gui/gui_test_support.h"
#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"

namespace zvr {

class CalTransferDialogTest : public QObject {
    Q_OBJECT

private:
    struct Fixture {
        Fixture() {
            link.OpenPort("DEMO");
            DefinitionSet set;
            test::FillSample(set);
            test::WriteBytes("sample.000", test::WrittenBytes(set, "sample.000"));
        }
        ~Fixture() { link.Close(); }

        // Takes what has been posted so far; true when anything has.
        bool collect() {
            while (auto m = notify->poll())
                outcomes.push_back(*m);
            return !outcomes.empty();
        }

        std::vector<PostedMessage> outcomes;

        CDataServer link;
        test::ScriptedPrompt prompt;
        std::shared_ptr<QueueReceiver> notify = std::make_shared<QueueReceiver>();
        CCalTransferDlg dialog{link, prompt};
    };

    test::GuiTestDirectory directory_;

private slots:
    void readsWithProgressThenPostsDone() {
        Fixture f;
        QCOMPARE(f.dialog.ReadAll(f.notify, 1201, 1202, 1203), -1);  // nothing loaded yet
        QCOMPARE(f.dialog.LoadFile("sample.000"), 0);
        QCOMPARE(f.dialog.ReadAll(f.notify, 1201, 1202, 1203), 0);
        QVERIFY(f.dialog.isVisible());
        QCOMPARE(f.dialog.line1(),
                 QStringLiteral("Reading Calibration Values from controller. Please wait."));
        QVERIFY(!f.dialog.line2().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(f.collect(), 10000);
        QCOMPARE(f.outcomes.size(), size_t(1));
        QVERIFY(f.outcomes[0] == (PostedMessage{1201, 0, 0}));
        QVERIFY(!f.dialog.isVisible());
    }

    void abortPostsAbortedOnly() {
        Fixture f;
        QCOMPARE(f.dialog.LoadFile("sample.000"), 0);
        QCOMPARE(f.dialog.WriteAll(f.notify, 1201, 1202, 1203), 0);
        f.dialog.abortButton()->click();
        QTRY_VERIFY(f.collect());
        QTest::qWait(1500);
        f.collect();
        QCOMPARE(f.outcomes.size(), size_t(1));
        QVERIFY(f.outcomes[0] == (PostedMessage{1203, 0, 0}));
        QVERIFY(!f.dialog.isVisible());
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::CalTransferDialogTest)
#include "cal_transfer_dialog_test.moc"
