// Display Faults against a controller on a pty: current faults, the history and its rules,
// the clear commands, a history scalar deleted elsewhere, and the time-out dialog.
#include <QPointer>
#include <QTest>

#include "gui/view_test_support.h"
#include "viewlist/definition_editor.h"
#include "views/diagnostic_view.h"

namespace zvr {

class DiagnosticViewTest : public QObject {
    Q_OBJECT

private:
    static QStringList Rows(QTreeWidget* list) {
        QStringList rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            rows << list->topLevelItem(i)->text(0) + QStringLiteral(": ") +
                        list->topLevelItem(i)->text(1);
        }
        return rows;
    }
    static bool ButtonsEnabled(CDiagnosticView* view) {
        for (int id = 1000; id <= 1003; ++id) {
            if (!view->button(id)->isEnabled()) return false;
        }
        return true;
    }

    test::GuiTestDirectory directory_;

private slots:
    void historyFirstThenCurrentFaults() {
        test::LinkedDocument link;
        link.controller.setByte(0x0120, 0x05);  // fault_flags1: bits 0 and 2
        link.controller.setByte(0x0121, 0xC0);  // fault_flags2: bits 6, 7 are not described
        link.controller.setByte(0x40F0, 0x08);  // EE_FAULTS_1: bit 3 of fault_flags1
        auto* view = link.Show(new CDiagnosticView(link.document, link.prompt));
        QCOMPARE(view->windowTitle(), QStringLiteral("Diagnostic View"));
        QVERIFY(view->historyAvailable());
        QVERIFY(link.prompt.shown.empty());  // two diagnostics, two history scalars

        QTRY_COMPARE(Rows(view->historyList()),
                     QStringList{QStringLiteral("fault_flags1: Overspeed shutdown")});
        QTRY_VERIFY(view->running());
        QTRY_COMPARE(Rows(view->currentList()),
                     (QStringList{QStringLiteral("fault_flags1: Unit not calibrated"),
                                  QStringLiteral("fault_flags1: Magnetic pickup signal lost")}));
        QCOMPARE(view->button(1000)->text(), QStringLiteral("Pause"));
        QVERIFY(ButtonsEnabled(view));

        link.controller.setByte(0x0120, 0);
        link.controller.setByte(0x0121, 0);
        QTRY_COMPARE(Rows(view->currentList()),
                     QStringList{QStringLiteral(": No current faults.")});
    }

    void clearCommandsZeroEveryAddress() {
        test::LinkedDocument link;
        for (uint16_t a : {0x4300, 0x4301, 0x40F0, 0x40F1})
            link.controller.setByte(a, 0xFF);
        auto* view = link.Show(new CDiagnosticView(link.document, link.prompt));
        QTRY_VERIFY(view->running());

        view->ClearCurrentFaults();
        QVERIFY(!view->running());
        QVERIFY(!ButtonsEnabled(view));
        QTRY_VERIFY(ButtonsEnabled(view));
        QVERIFY(view->running());  // restarted after the command
        QCOMPARE(link.controller.byte(0x4300), uint8_t(0));
        QCOMPARE(link.controller.byte(0x4301), uint8_t(0));
        QCOMPARE(link.controller.byte(0x40F0), uint8_t(0xFF));

        view->ClearHistoricalFaults();
        QCOMPARE(view->historyList()->topLevelItemCount(), 0);
        QTRY_VERIFY(ButtonsEnabled(view));
        QCOMPARE(link.controller.byte(0x40F0), uint8_t(0));
        QCOMPARE(link.controller.byte(0x40F1), uint8_t(0));
        QCOMPARE(link.controller.requestsOfType(kWrite), 4);
        QCOMPARE(view->historyList()->topLevelItemCount(), 0);  // until the next update
        view->UpdateHistory();
        QTRY_COMPARE(Rows(view->historyList()),
                     QStringList{QStringLiteral(": No Historical Faults")});
    }

    // The history is erased only after a Yes to the question, whose default is No.
    void clearingTheHistoryAsksFirst() {
        for (PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
            test::LinkedDocument link;
            link.controller.setByte(0x40F0, 0x08);
            auto* view = link.Show(new CDiagnosticView(link.document, link.prompt));
            QTRY_VERIFY(view->running());
            link.prompt.answers = {answer};
            view->button(CDiagnosticView::kClearHistory)->click();
            QCOMPARE(link.prompt.texts(),
                     std::vector<std::string>{CDiagnosticView::kClearHistoryQuestion});
            QCOMPARE(link.prompt.shown.back().defaultAnswer, std::optional(PromptAnswer::No));
            QTRY_VERIFY(ButtonsEnabled(view) && view->running());
            const bool erased = answer == PromptAnswer::Yes;
            QCOMPARE(link.controller.byte(0x40F0), uint8_t(erased ? 0 : 0x08));
            QCOMPARE(link.controller.requestsOfType(kWrite), erased ? 2 : 0);
            QCOMPARE(view->historyList()->topLevelItemCount(), erased ? 0 : 1);
        }
    }

    // Change Calibration deletes a history scalar while Display Faults is open: clearing the
    // history zeroes only the history scalars that are left.
    void aHistoryScalarDeletedElsewhere() {
        test::LinkedDocument link;
        for (uint16_t a : {0x40F0, 0x40F1})
            link.controller.setByte(a, 0x08);
        auto* view = link.Show(new CDiagnosticView(link.document, link.prompt));
        QTRY_VERIFY(view->running());
        QCOMPARE(DefinitionEditor(link.document).DeleteScalar("EE_FAULTS_2"), 0);

        link.prompt.answers = {PromptAnswer::Yes};
        view->ClearHistoricalFaults();
        QTRY_VERIFY(ButtonsEnabled(view));
        QCOMPARE(link.controller.requestsOfType(kWrite), 1);
        QCOMPARE(link.controller.byte(0x40F0), uint8_t(0));
        QCOMPARE(link.controller.byte(0x40F1), uint8_t(0x08));
    }

    void aFailedWriteEndsTheCommand() {
        test::LinkedDocument link;
        auto* view = link.Show(new CDiagnosticView(link.document, link.prompt));
        QTRY_VERIFY(view->running());
        link.controller.setSilent(true);
        view->ClearCurrentFaults();
        QTRY_VERIFY(!link.prompt.shown.empty());
        QCOMPARE(link.prompt.texts().back(),
                 std::string("There was an error processing the command."));
        QCOMPARE(link.prompt.shown.back().caption, std::string("Error"));
        QVERIFY(ButtonsEnabled(view));
        QVERIFY(!view->running());
        QCOMPARE(link.controller.requestsOfType(kWrite), 1);
    }

    void withoutHistoryAndWithAMismatch() {
        {
            test::LinkedDocument link;
            link.document.definitions.scalars.remove(
                link.document.definitions.scalars.find("EE_FAULTS_1"));
            auto* view = link.Show(new CDiagnosticView(link.document, link.prompt));
            QVERIFY(!view->historyAvailable());
            QVERIFY(!view->historyFrame()->isVisibleTo(view));
            QTRY_VERIFY(view->running());  // reading starts at once
        }
        {
            test::LinkedDocument link;
            link.document.definitions.diagnostics.append({.name = "third"});
            link.Show(new CDiagnosticView(link.document, link.prompt));
            QCOMPARE(link.prompt.texts(),
                     std::vector<std::string>{
                         "Problem with cal file. There are a different number of File Diagnostic "
                         "enteries and EE_FAULT enteries. History may not work properly."});
        }
    }

    void historyReadFailureAndReadingTimeOut() {
        test::LinkedDocument link;
        link.controller.setSilent(true);
        auto* view = link.Show(new CDiagnosticView(link.document, link.prompt));
        QTRY_COMPARE(link.prompt.texts(),
                     std::vector<std::string>{"Communication Error Reading from controller."});
        QVERIFY(ButtonsEnabled(view));
        QVERIFY(!view->running());

        view->OnStartPause();
        QTRY_VERIFY(view->timeoutDialog());
        QVERIFY(!view->running());
        view->timeoutDialog()->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
        QTRY_VERIFY(!view->timeoutDialog());
        QVERIFY(!view->running());
    }

    void screenshot() {
        if (!qEnvironmentVariableIsSet("ZVR_SCREENSHOTS")) return;
        test::LinkedDocument link;
        link.controller.setByte(0x0120, 0x05);
        link.controller.setByte(0x40F0, 0x08);
        link.Show(new CDiagnosticView(link.document, link.prompt));
        link.area.resize(720, 540);
        link.area.show();
        QTest::qWait(800);
        link.area.grab().save(qEnvironmentVariable("ZVR_SCREENSHOTS") +
                              QStringLiteral("/display_faults.png"));
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::DiagnosticViewTest)
#include "diagnostic_view_test.moc"
