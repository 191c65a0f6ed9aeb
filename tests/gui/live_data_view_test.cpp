// The Parameter View against a controller on a pty: rows and values, Start/Stop, the update
// hints and definition edits, the time-out dialog and its retry, closing while a read is under
// way.
#include <QPointer>
#include <QTest>

#include "gui/view_test_support.h"
#include "viewlist/definition_editor.h"
#include "views/live_data_view.h"

namespace zvr {

class LiveDataViewTest : public QObject {
    Q_OBJECT

private:
    static QString Cell(CLiveDataView* view, int row, int column) {
        return view->list()->topLevelItem(row)->text(column);
    }
    static int RowOf(CLiveDataView* view, const QString& name) {
        for (int i = 0; i < view->list()->topLevelItemCount(); ++i) {
            if (Cell(view, i, 0) == name) return i;
        }
        return -1;
    }

    test::GuiTestDirectory directory_;

private slots:
    void initTestCase() { CCommTimeoutDlg::SetTickMs(test::kTestTimeoutDialogTickMs); }

    void showsTheViewItemsWithLiveValues() {
        test::LinkedDocument link;
        QVERIFY(link.loaded && link.opened);
        link.controller.setWord(0x0100, 1500);  // engine_rpm
        link.controller.setByte(0x010E, 0xE7);  // ecu_temp, one signed byte: -25
        link.controller.setByte(0x010F, 0x12);  // the byte after it belongs to another item
        auto* view = link.Show(new CLiveDataView(link.document, link.prompt, {}));

        QCOMPARE(view->windowTitle(), QStringLiteral("Parameter View"));
        QCOMPARE(view->list()->headerItem()->text(1), QStringLiteral("Value"));
        QCOMPARE(view->list()->columnWidth(0), 100);
        QVERIFY(!view->configureButton()->isEnabled());  // no Parameter List to open
        QVERIFY(view->running());
        QVERIFY(!view->startButton()->isEnabled());  // until the first values arrive
        QCOMPARE(view->startButton()->text(), QStringLiteral("Stop"));

        QCOMPARE(view->list()->topLevelItemCount(), 8);
        QCOMPARE(Cell(view, 0, 0), QStringLiteral("engine_rpm"));  // in view position order
        QCOMPARE(Cell(view, 7, 0), QStringLiteral("app_percent"));
        QCOMPARE(Cell(view, 0, 2), QStringLiteral("rpm"));
        QTRY_COMPARE(Cell(view, 0, 1), QStringLiteral("1500"));
        QCOMPARE(Cell(view, RowOf(view, QStringLiteral("ecu_temp")), 1), QStringLiteral("-25"));
        QVERIFY(view->startButton()->isEnabled());
        QCOMPARE(link.document.definitions.variables.find("engine_rpm")->currentRaw, 1500u);

        link.controller.setWord(0x0100, 1800);
        QTRY_COMPARE(Cell(view, 0, 1), QStringLiteral("1800"));  // read continuously

        view->startButton()->click();
        QVERIFY(!view->running());
        QCOMPARE(view->startButton()->text(), QStringLiteral("Start"));
        for (int i = 0; i < 8; ++i)
            QCOMPARE(Cell(view, i, 1), QStringLiteral(" "));
        link.controller.setWord(0x0100, 900);
        QTest::qWait(200);
        QCOMPARE(Cell(view, 0, 1), QStringLiteral(" "));
    }

    void hintsStopAndRebuild() {
        test::LinkedDocument link;
        auto* first = link.Show(new CLiveDataView(link.document, link.prompt, {}));
        QTRY_VERIFY(first->startButton()->isEnabled());

        // A second view takes the link: the first stops, as every reading view must.
        auto* second = link.Show(new CLiveDataView(link.document, link.prompt, {}));
        QVERIFY(!first->running());
        // Stopped before its first values arrived, the second can still be started again.
        auto* third = link.Show(new CLiveDataView(link.document, link.prompt, {}));
        QVERIFY(!second->running());
        QVERIFY(second->startButton()->isEnabled());
        third->startButton()->click();  // stops it
        second->startButton()->click();
        QVERIFY(second->running());
        QVERIFY(second->running());
        QTRY_VERIFY(!Cell(second, 0, 1).trimmed().isEmpty());

        // The view items changed: a running view rebuilds its rows and reads on.
        link.document.definitions.viewItems.add({.position = 0, .name = "n_error"});
        link.controller.setWord(0x0104, 0xFFFE);
        link.document.UpdateAllViews(kHintViewItemsChanged);
        QVERIFY(second->running());
        QCOMPARE(second->list()->topLevelItemCount(), 9);
        const int row = RowOf(second, QStringLiteral("n_error"));
        QVERIFY(row >= 0);
        QTRY_COMPARE(Cell(second, row, 1), QStringLiteral("-2"));
        QVERIFY(!first->running());
        QCOMPARE(first->list()->topLevelItemCount(), 9);  // rebuilt, still stopped
    }

    // A variable the running view shows is renamed, then deleted, by another window: the view
    // follows the table at once, before anything else tells it the view items changed.
    void followsVariablesEditedElsewhere() {
        test::LinkedDocument link;
        link.controller.setWord(0x0100, 1500);  // engine_rpm
        auto* view = link.Show(new CLiveDataView(link.document, link.prompt, {}));
        QTRY_COMPARE(Cell(view, 0, 1), QStringLiteral("1500"));
        DefinitionEditor editor(link.document);

        QCOMPARE(editor.RenameVariable("engine_rpm", "speed"), 0);
        QCOMPARE(Cell(view, 0, 0), QStringLiteral("speed"));
        QVERIFY(view->running());
        link.controller.setWord(0x0100, 1600);
        QTRY_COMPARE(Cell(view, 0, 1), QStringLiteral("1600"));

        QCOMPARE(editor.DeleteVariable("speed"), 0);
        QCOMPARE(view->list()->topLevelItemCount(), 7);
        QCOMPARE(RowOf(view, QStringLiteral("speed")), -1);
        QVERIFY(view->running());
        QTRY_VERIFY(!Cell(view, 0, 1).trimmed().isEmpty());  // the others read on
        QVERIFY(link.prompt.shown.empty());
    }

    void timeOutDialogRetriesAfterItsCountdown() {
        test::LinkedDocument link;
        link.controller.setSilent(true);
        auto* view = link.Show(new CLiveDataView(link.document, link.prompt, {}));
        QTRY_VERIFY(view->timeoutDialog());
        QVERIFY(!view->running());
        QVERIFY(view->startButton()->isEnabled());
        QCOMPARE(view->timeoutDialog()->windowTitle(), QStringLiteral("Communication Time Out"));

        link.controller.setSilent(false);
        link.controller.setWord(0x0100, 1234);
        QTRY_VERIFY_WITH_TIMEOUT(view->running(), 7000);  // the dialog's own retry
        QVERIFY(!view->timeoutDialog());
        QTRY_COMPARE(Cell(view, 0, 1), QStringLiteral("1234"));
    }

    void closingWhileReadingIsHarmless() {
        test::LinkedDocument link;
        link.controller.setStreamInterval(std::chrono::milliseconds(2));
        QPointer<CLiveDataView> view = link.Show(new CLiveDataView(link.document, link.prompt, {}));
        QTRY_VERIFY(view->startButton()->isEnabled());
        const int stopsBefore = link.controller.requestsOfType(kStopRead);
        QTest::keyClick(view->list(), Qt::Key_Escape);  // stops, then closes the frame
        QTRY_VERIFY(!view);
        QVERIFY(link.controller.waitFor(kStopRead, stopsBefore + 1));
        QTest::qWait(100);  // answers still on their way find no view
        QVERIFY(!link.document.HasViews());

        // Closed without Esc while values stream in.
        QPointer<CLiveDataView> other =
            link.Show(new CLiveDataView(link.document, link.prompt, {}));
        QTRY_VERIFY(other->startButton()->isEnabled());
        link.area.closeAllSubWindows();
        QTRY_VERIFY(!other);
        QTest::qWait(100);
    }

    void replacedStrategyClosesTheView() {
        test::LinkedDocument link;
        QPointer<CLiveDataView> view = link.Show(new CLiveDataView(link.document, link.prompt, {}));
        link.document.UpdateAllViews(kHintDefinitionsReplaced);
        link.document.definitions.clear();
        QVERIFY(!link.document.HasViews());
        QTRY_VERIFY(!view);
    }

    void configureAsksForTheParameterList() {
        test::LinkedDocument link;
        int asked = 0;
        auto* view = link.Show(new CLiveDataView(link.document, link.prompt, [&] { ++asked; }));
        QVERIFY(view->configureButton()->isEnabled());
        view->configureButton()->click();
        QCOMPARE(asked, 1);
        link.area.resize(700, 500);
        link.area.show();
        QTRY_VERIFY(!Cell(view, 0, 1).trimmed().isEmpty());
        if (qEnvironmentVariableIsSet("ZVR_SCREENSHOTS")) {
            link.area.grab().save(qEnvironmentVariable("ZVR_SCREENSHOTS") +
                                  QStringLiteral("/parameter_view.png"));
        }
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::LiveDataViewTest)
#include "live_data_view_test.moc"
