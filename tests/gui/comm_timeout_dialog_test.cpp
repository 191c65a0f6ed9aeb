// The "Communication Time Out" dialog: its countdown, and that its buttons ask the owner
// without closing it.
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "views/comm_timeout_dialog.h"

namespace zvr {

class CommTimeoutDialogTest : public QObject {
    Q_OBJECT

    static constexpr int kTickMs = 10;  // the fifty ticks in half a second

private slots:
    void initTestCase() { CCommTimeoutDlg::SetTickMs(kTickMs); }

    void leftAloneItRetriesOnceAfterItsCountdown() {
        QWidget owner;
        int retries = 0;
        int cancels = 0;
        auto* dialog = new CCommTimeoutDlg([&] { ++retries; }, [&] { ++cancels; }, &owner);
        dialog->show();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Communication Time Out"));
        QCOMPARE(dialog->progress()->maximum(), 50);
        QCOMPARE(dialog->progress()->value(), 50);
        QElapsedTimer clock;
        clock.start();
        QTRY_COMPARE_WITH_TIMEOUT(retries, 1, 8000);
        QVERIFY(clock.elapsed() >= (CCommTimeoutDlg::kCountdown - 2) * kTickMs);
        QCOMPARE(dialog->progress()->value(), 0);
        QTest::qWait(400);
        QCOMPARE(retries, 1);
        QCOMPARE(cancels, 0);
        QVERIFY(dialog->isVisible());
    }

    void buttonsAskTheOwnerWithoutClosing() {
        QWidget owner;
        int retries = 0;
        int cancels = 0;
        auto* dialog = new CCommTimeoutDlg([&] { ++retries; }, [&] { ++cancels; }, &owner);
        dialog->show();
        dialog->findChild<QPushButton*>(QStringLiteral("retryButton"))->click();
        dialog->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
        QCOMPARE(retries + cancels, 0);  // posted, not called at once
        QTRY_COMPARE(retries, 1);
        QTRY_COMPARE(cancels, 1);
        QVERIFY(dialog->isVisible());
    }

    // Esc and the close box are Cancel: the owner is asked to cancel, and the countdown that
    // would retry on its own stops.
    void escapeAndTheCloseBoxCancel() {
        const std::pair<const char*, std::function<void(QDialog*)>> ways[] = {
            {"Esc", [](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); }},
            {"close box", [](QDialog* d) { d->close(); }},
        };
        for (const auto& [way, dismiss] : ways) {
            QWidget owner;
            int retries = 0;
            int cancels = 0;
            auto* dialog = new CCommTimeoutDlg([&] { ++retries; }, [&] { ++cancels; }, &owner);
            dialog->show();
            QTest::qWait(250);
            dismiss(dialog);
            QTRY_COMPARE(cancels, 1);
            const int countdown = dialog->countdown();
            QTest::qWait(350);
            QVERIFY2(dialog->countdown() == countdown, way);
            QVERIFY2(dialog->isVisible(), way);  // the owner destroys it
            QVERIFY2(retries == 0, way);
        }
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::CommTimeoutDialogTest)
#include "comm_timeout_dialog_test.moc"
