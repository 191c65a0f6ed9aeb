// The calibration wizard's window against the simulated controller on a pty, driven through
// its widgets as a technician would: the uncalibrated unit's wizard opened by the connection,
// the "Calibration Wizard" command with current values, Back, and Cancel during the analog
// calibration process, and Welcome's choice clicked to start from the strategy's defaults.
// The simulator's EEPROM is checked after each run.
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTreeWidget>

#include "calfile/cal_transfer_dialog.h"
#include "gui/wizard_window_support.h"
#include "wizard/zevar740_wizard.h"

namespace zvr {

using test::LiveShows;
using test::WizardDriver;
using test::WizardProgram;

class WizardWindowTest : public QObject {
    Q_OBJECT

private:
    using Fixture = WizardProgram;

    test::GuiTestDirectory directory_;

private slots:
    // Start mode 0: the connection finds the unit uncalibrated and opens the wizard itself;
    // nothing is asked on Welcome, and the answers reach the EEPROM.
    void uncalibratedUnitGetsTheWizardAndItsAnswersWritten() {
        Fixture f("ZVX41R03", {"uncalibrated on"});
        WizardDriver driver(f.program.frame, *f.simulator);
        driver.answers = {
            {"engine.type", QStringLiteral("1")},
            {"engine.count", QStringLiteral("4")},
            {"engine.teeth", QStringLiteral("60")},
            {"range.lowest", QStringLiteral("700")},
            {"range.highest", QStringLiteral("2600")},
            {"analog.mode", QStringLiteral("Pedal Control for Drive-by-Wire Vehicles")},
            {"analog.ivs", QStringLiteral("Yes")},
            {"speed.count", QStringLiteral("3")},
            {"speed.1", QStringLiteral("1400")},
            {"speed.2", QStringLiteral("1900")},
            {"speed.warmup_time", QStringLiteral("0")},
            {"speed.ramp_up", QStringLiteral("450")},
            {"speed.ramp_down", QStringLiteral("350")},
            {"aux1.mode", QStringLiteral("Output on when fault exists")},
            {"protect.overspeed", QStringLiteral("2")},
            {"protect.rpm", QStringLiteral("2900")},
            {"protect.switch", QStringLiteral("1")}};
        driver.moves = {{0.0, true}, {1.0, false}};
        f.program.frame.workflow().PortChosen(f.simulator->linkPath());
        QTRY_VERIFY_WITH_TIMEOUT(driver.done(), 30000);
        QVERIFY(!driver.stuck);
        QCOMPARE(driver.end, WizardEnd::Finished);
        QCOMPARE(driver.caption, QStringLiteral("ZEVAR 740 Calibration Wizard"));
        QVERIFY(driver.wasModal);
        QVERIFY2(driver.answers.empty(), "every answer found its control");
        QVERIFY(driver.moves.empty());
        QVERIFY(!driver.summary.empty());
        QCOMPARE(f.get("EXTERNAL_ANALOG_MODE"), std::string("ok 13"));
        QCOMPARE(f.get("PULSES_PER_REV"), std::string("ok 60.00"));
        QCOMPARE(f.get("PULSES_PER_UPDATE"), std::string("ok 30"));
        QCOMPARE(f.get("SET_SPEED_1"), std::string("ok 1400"));
        QCOMPARE(f.get("SET_SPEED_2"), std::string("ok 1900"));
        QCOMPARE(f.get("SET_SPEED_MIN"), std::string("ok 700"));
        QCOMPARE(f.get("RAMP_UP_RATE"), std::string("ok 450"));
        QCOMPARE(f.get("AUXILIARY_OUTPUT_MODE"), std::string("ok 2"));
        QCOMPARE(f.get("OVERSPEED_RPM"), std::string("ok 2900"));
        QCOMPARE(f.get("APP_MIN_CAL"), std::string("ok 102"));
        QCOMPARE(f.get("APP_RANGE_CAL"), std::string("ok 820"));
        // Start mode 0 without the Complete options prepares and opens the plot.
        QTRY_COMPARE(f.posted, std::vector<int>{kCmdParameterPlot});
        QCOMPARE(f.program.store.strings["Plot 1 Name"], std::string("engine_rpm"));
    }

    // The sheet's button masks as the window shows them: Finish in Next's place, Cancel never
    // disabled.
    void buttonsFollowTheSheetsMask() {
        CDataServer document;
        test::ScriptedPrompt prompt;
        CWizardWindow w({document, prompt, nullptr, {}}, [](WizardLinks links) {
            return std::make_unique<Zevar740Wizard>("none.000", 'R', links);
        });
        struct Case {
            int mask;
            bool back, next, finish;
        };
        for (const Case c :
             {Case{kWizardNoButtons, false, false, false}, Case{kWizardNext, false, true, false},
              Case{kWizardBackNext, true, true, false}, Case{kWizardFinish, false, false, true}}) {
            w.SetButtons(c.mask);
            QCOMPARE(w.backButton()->isEnabled(), c.back);
            QCOMPARE(w.nextButton()->isEnabled(), c.next);
            QCOMPARE(w.nextButton()->isVisibleTo(&w), !c.finish);
            QCOMPARE(w.finishButton()->isVisibleTo(&w), c.finish);
            QCOMPARE(w.finishButton()->isEnabled(), c.finish);
            QVERIFY(w.cancelButton()->isEnabled());
        }
    }

    // "Skip This Step" only when offered; Escape is "Abort and Start Over", never a silent
    // close that leaves the process waiting.
    void processDialogOffersSkipOnlyWhenAskedAndEscapeAborts() {
        std::vector<ProcessAnswer> answers;
        QWidget owner;
        CProcessDlg dialog([&](ProcessAnswer a) { answers.push_back(a); }, &owner);
        dialog.Open({"Move pedal to the minimum speed position, then click Done.", false});
        QVERIFY(dialog.skipButton()->isHidden());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        dialog.Open({"Move pedal to the maximum speed position, then click Done.", true});
        QVERIFY(!dialog.skipButton()->isHidden());
        dialog.skipButton()->click();
        QCOMPARE(answers, (std::vector<ProcessAnswer>{ProcessAnswer::AbortAndStartOver,
                                                      ProcessAnswer::Skip}));
    }

    // Start mode 1 on a ZEVAR 760 strategy from the menu command: page 2b, two outputs, a
    // reversed pot, the crank-time question answered, and Complete's option to show the
    // engine speed graph, which writes the plot set-up and opens Parameter Plot.
    void zevar760WithCurrentValuesFromTheMenu() {
        Fixture f("ZVX61S01");
        QVERIFY(f.Connect());
        WizardDriver driver(f.program.frame, *f.simulator);
        driver.viewPictures = QStringLiteral("zevar760");
        driver.answers = {
            {"welcome.start", QStringLiteral("Start with current values")},
            {"engine.cylinders", QStringLiteral("6")},
            {"analog.mode", QStringLiteral("Pot or analog Control for stationary applications")},
            {"speed.count", QStringLiteral("Variable Speed")},
            {"speed.1", QStringLiteral("900")},
            {"speed.2", QStringLiteral("1500")},
            {"speed.3", QStringLiteral("2300")},
            {"aux1.mode", QStringLiteral("Autocrank mode")},
            {"aux1.crank", QStringLiteral("40")},
            {"aux2.mode", QStringLiteral("2")},
            {"aux2.rpm", QStringLiteral("1700")},
            {"protect.overspeed", QStringLiteral("1")},
            {"protect.switch", QStringLiteral("1")},
            {"complete.plot", QStringLiteral("1")}};
        driver.moves = {{1.0, true}, {0.0, true}};
        QVERIFY(f.program.frame.menus().action(kCmdCalibrationWizard)->isEnabled());
        f.program.frame.PostCommand(kCmdCalibrationWizard);
        QTRY_VERIFY_WITH_TIMEOUT(driver.done(), 30000);
        QVERIFY(!driver.stuck);
        QCOMPARE(driver.end, WizardEnd::Finished);
        QCOMPARE(driver.caption, QStringLiteral("ZEVAR 740 Calibration Wizard"));
        QVERIFY(driver.headings.contains(QStringLiteral("Configure Engine Speed Input")));
        QVERIFY2(driver.answers.empty(), "every answer found its control");
        const auto texts = f.program.prompt.texts();
        QVERIFY(std::find(texts.begin(), texts.end(),
                          "Crank time seems too high, should be < 30 sec.\nDo you wish to "
                          "continue?") != texts.end());
        // A reversed pot: + 100, and no + 10 for the speeds.
        QCOMPARE(f.get("EXTERNAL_ANALOG_MODE"), std::string("ok 102"));
        QCOMPARE(f.get("PULSES_PER_UPDATE"), std::string("ok 40"));  // 2 x 120 / 6
        QCOMPARE(f.get("SWITCH_CONFIGURATION"), std::string("ok 5"));
        QCOMPARE(f.get("SET_SPEED_WARMUP"), std::string("ok 1500"));
        QCOMPARE(f.get("AUXILIARY_OUTPUT_MODE"), std::string("ok 4"));
        QCOMPARE(f.get("AUTOCRANK_CRANK_TIME"), std::string("ok 40"));
        QCOMPARE(f.get("AUXILIARY_OUTPUT_2_MODE"), std::string("ok 1"));
        QCOMPARE(f.get("AUX_OUTPUT_2_RPM"), std::string("ok 1700"));
        QTRY_COMPARE(f.posted, std::vector<int>{kCmdParameterPlot});
        QCOMPARE(f.program.store.strings["Plot 1 Name"], std::string("engine_rpm"));
        QCOMPARE(f.program.store.strings["Plot 2 Name"], std::string("n_desired"));
    }

    // The keyboard and the look of the pages, on a whole run with Return for Next and Finish:
    // Welcome shows each explanation beside its own choice and keeps the menu path on one
    // line; the highest speed takes digits only; the process dialog's top is level with the
    // page; the Summary's columns fit their texts and its last row is in view; and the window,
    // once it fits a page, does not grow when the page comes again.
    void keyboardAndLayoutOfThePages() {
        Fixture f("ZVX41R03");
        QVERIFY(f.Connect());
        WizardDriver driver(f.program.frame, *f.simulator);
        driver.pressReturn = true;
        driver.viewPictures = QStringLiteral("keys");
        driver.answers = {
            {"welcome.start", QStringLiteral("2")},
            {"engine.type", QStringLiteral("1")},
            {"engine.count", QStringLiteral("4")},
            {"range.lowest", QStringLiteral("700")},
            {"analog.mode", QStringLiteral("Pot or analog Control for stationary applications")},
            {"speed.count", QStringLiteral("1 Speed")},
            {"speed.1", QStringLiteral("1500")},
            {"speed.warmup_time", QStringLiteral("0")},
            {"aux1.mode", QStringLiteral("1")},
            {"protect.overspeed", QStringLiteral("1")},
            {"protect.switch", QStringLiteral("1")}};
        driver.moves = {{0.0, true}, {1.0, true}};
        bool notesBeside = false;
        bool menuPathWhole = false;
        QString typedHighest;
        std::optional<int> processTop, pageTop;
        bool summaryFits = false;
        QSize analogSize;
        bool wentBack = false;
        QSize analogSizeAgain;
        driver.hook = [&](CWizardWindow& w) {
            const QString heading = w.heading()->text();
            if (w.sheet().onWelcome() && w.nextButton()->isEnabled() && !notesBeside) {
                const QList<QRadioButton*> buttons =
                    w.field("welcome.start")->findChildren<QRadioButton*>();
                notesBeside = buttons.size() == 2;
                for (int i = 0; i < buttons.size(); ++i) {
                    auto* note =
                        w.findChild<QLabel*>(QStringLiteral("welcome.start.note%1").arg(i));
                    notesBeside = notesBeside && note != nullptr && note->isVisible() &&
                                  note->x() >= buttons[i]->geometry().right() &&
                                  note->y() == buttons[i]->y();
                }
                for (QLabel* label : w.findChildren<QLabel*>()) {
                    if (label->text().contains(QStringLiteral("Calibrate"))) {
                        menuPathWhole =
                            label->text().contains(QStringLiteral("Calibrate\u2060-\u2060>Change"));
                    }
                }
                return false;
            }
            if (heading == QStringLiteral("Configure Desired Engine Speed Range") &&
                w.nextButton()->isEnabled()) {
                auto* highest = qobject_cast<QLineEdit*>(w.field("range.highest"));
                if (typedHighest.isEmpty()) {
                    highest->selectAll();
                    QTest::keyClicks(highest, QStringLiteral("26a0b0"));
                    typedHighest = highest->text();
                    return true;
                }
                return false;
            }
            if (heading == QStringLiteral("Configure Analog Input") && wentBack &&
                !analogSizeAgain.isValid()) {
                analogSizeAgain = w.size();
            }
            if (heading == QStringLiteral("Configure Analog Input") && !wentBack &&
                w.backButton()->isEnabled()) {
                analogSize = w.size();
                wentBack = true;
                w.backButton()->click();
                return true;
            }
            if (w.processDialog()->isVisible() && !processTop) {
                processTop = w.processDialog()->frameGeometry().top();
                pageTop = w.mapToGlobal(QPoint(0, w.heading()->y())).y();
                WizardDriver::Picture(w, "keys_process_page");
                WizardDriver::Picture(*w.processDialog(), "keys_process_dialog");
                return false;
            }
            if (w.summaryList()->isVisible() && !summaryFits) {
                QTreeWidget* list = w.summaryList();
                summaryFits = true;
                const int partWidths[] = {172, 150, 60};
                for (int column = 0; column < 3; ++column) {
                    summaryFits = summaryFits && list->columnWidth(column) >= partWidths[column];
                    for (int row = 0; row < list->topLevelItemCount(); ++row) {
                        const QString text = list->topLevelItem(row)->text(column);
                        summaryFits =
                            summaryFits &&
                            list->columnWidth(column) > list->fontMetrics().horizontalAdvance(text);
                    }
                }
                const int last = list->topLevelItemCount() - 1;
                const QRect lastRow = list->visualItemRect(list->topLevelItem(last));
                summaryFits = summaryFits && last > 0 &&
                              lastRow.bottom() < list->viewport()->height() &&
                              !list->horizontalScrollBar()->isVisible();
                WizardDriver::Picture(w, "keys_summary");
                return false;
            }
            return false;
        };
        f.program.frame.PostCommand(kCmdCalibrationWizard);
        QTRY_VERIFY_WITH_TIMEOUT(driver.done(), 40000);
        QVERIFY2(!driver.stuck, qPrintable(driver.headings.join(u'|')));
        QCOMPARE(driver.end, WizardEnd::Finished);  // Return pressed Next and Finish throughout
        QVERIFY(notesBeside);
        QVERIFY(menuPathWhole);
        QCOMPARE(typedHighest, QStringLiteral("2600"));
        QVERIFY(processTop.has_value());
        QCOMPARE(*processTop, *pageTop);
        QVERIFY(summaryFits);
        QVERIFY(analogSizeAgain.isValid());
        QCOMPARE(analogSizeAgain, analogSize);
        QCOMPARE(f.get("SET_SPEED_MAX"), std::string("ok 2600"));
        QCOMPARE(f.get("SET_SPEED_1"), std::string("ok 1500"));
    }

    // Back from the analog page shows the speed range as it was answered; Cancel while the
    // process dialog waits puts the analog calibration back in the controller and writes
    // none of the answers.
    void backKeepsAnswersAndCancelDuringTheProcessRestores() {
        Fixture f("ZVX41R03");
        QVERIFY(f.Connect());
        const std::string minimumBefore = f.get("SET_SPEED_MIN");
        WizardDriver driver(f.program.frame, *f.simulator);
        driver.answers = {
            {"welcome.start", QStringLiteral("2")},
            {"engine.type", QStringLiteral("1")},
            {"engine.count", QStringLiteral("4")},
            {"range.lowest", QStringLiteral("800")},
            {"analog.mode", QStringLiteral("Pot or analog Control for stationary applications")}};
        driver.moves = {{0.4, true}};
        bool wentBack = false;
        QString kept;
        std::string modeDuringProcess;
        driver.hook = [&](CWizardWindow& w) {
            const QString heading = w.heading()->text();
            if (heading == QStringLiteral("Configure Analog Input") && !wentBack &&
                w.backButton()->isEnabled()) {
                wentBack = true;
                w.backButton()->click();
                return true;
            }
            if (heading == QStringLiteral("Configure Desired Engine Speed Range") && wentBack &&
                kept.isEmpty()) {
                kept = qobject_cast<QLineEdit*>(w.field("range.lowest"))->text();
            }
            if (w.processDialog()->isVisible() && LiveShows(w, {0.4, true})) {
                modeDuringProcess = f.get("EXTERNAL_ANALOG_MODE");
                w.cancelButton()->click();
                return true;
            }
            return false;
        };
        f.program.frame.PostCommand(kCmdCalibrationWizard);
        QTRY_VERIFY_WITH_TIMEOUT(driver.done(), 30000);
        QVERIFY2(!driver.stuck, qPrintable(driver.headings.join(u'|')));
        QCOMPARE(driver.end, WizardEnd::Cancelled);
        QCOMPARE(kept, QStringLiteral("800"));
        QVERIFY(modeDuringProcess != "ok 0");  // the process had changed the controller
        QCOMPARE(f.get("EXTERNAL_ANALOG_MODE"), std::string("ok 0"));
        QCOMPARE(f.get("APP_MIN_CAL"), std::string("ok 102"));
        QCOMPARE(f.get("APP_RANGE_CAL"), std::string("ok 820"));
        QCOMPARE(f.get("SET_SPEED_MIN"), minimumBefore);
        QVERIFY(f.posted.empty());
    }
    // A calibrated unit preselects "Start with current values"; clicking "Start with default
    // values" resets the whole calibration to the strategy's defaults: nothing is filled from
    // the controller, and a value the wizard never asks about goes back to its default.
    void defaultValuesClickedOnACalibratedUnitResetTheCalibration() {
        Fixture f("ZVX41R03");
        QVERIFY(f.Connect());
        f.simulator->withUnit([](sim::ControllerUnit& unit) {
            const uint8_t delay[] = {0x05, 0xDC};  // 1500 ms
            return unit.commitWrite(0x4110, delay);
        });
        QCOMPARE(f.get("SPEED_DECREASE_DELAY"), std::string("ok 1500"));
        WizardDriver driver(f.program.frame, *f.simulator);
        driver.answers = {{"welcome.start", QStringLiteral("Start with default values")},
                          {"engine.type", QStringLiteral("1")},
                          {"engine.count", QStringLiteral("4")},
                          {"engine.teeth", QStringLiteral("60")},
                          {"range.lowest", QStringLiteral("700")},
                          {"range.highest", QStringLiteral("2600")},
                          {"analog.mode", QStringLiteral("No analog input required")},
                          {"speed.count", QStringLiteral("1 Speed")},
                          {"speed.1", QStringLiteral("1500")},
                          {"speed.warmup_time", QStringLiteral("0")},
                          {"speed.ramp_up", QStringLiteral("450")},
                          {"speed.ramp_down", QStringLiteral("350")},
                          {"aux1.mode", QStringLiteral("No auxiliary output required")},
                          {"protect.overspeed", QStringLiteral("No overspeed shutdown.")},
                          {"protect.switch", QStringLiteral("No engine protect switch used.")}};
        // Welcome before and after the click; the Engine page as it first shows.
        QStringList preselected, afterClick;
        int modeAfterClick = -1;
        std::optional<QString> teethShown;
        const auto checked = [](CWizardWindow& w) {
            QStringList texts;
            for (QRadioButton* button : w.field("welcome.start")->findChildren<QRadioButton*>()) {
                if (button->isChecked()) texts << button->text();
            }
            return texts;
        };
        driver.hook = [&](CWizardWindow& w) {
            if (w.sheet().onWelcome() && w.nextButton()->isEnabled()) {
                if (driver.answers.count("welcome.start") != 0) {
                    preselected = checked(w);
                    WizardDriver::Picture(w, "welcome");
                } else if (afterClick.isEmpty()) {
                    afterClick = checked(w);
                    modeAfterClick = w.sheet().startMode();
                }
            }
            if (w.heading()->text() == QStringLiteral("Engine Sensor Setup") && !teethShown) {
                if (auto* teeth = qobject_cast<QLineEdit*>(w.field("engine.teeth")))
                    teethShown = teeth->text();
            }
            return false;
        };
        f.program.frame.PostCommand(kCmdCalibrationWizard);
        QTRY_VERIFY_WITH_TIMEOUT(driver.done(), 30000);
        QVERIFY(!driver.stuck);
        QCOMPARE(driver.end, WizardEnd::Finished);
        QVERIFY2(driver.answers.empty(), "every answer found its control");
        QCOMPARE(preselected, QStringList{QStringLiteral("Start with current values")});
        QCOMPARE(afterClick, QStringList{QStringLiteral("Start with default values")});
        QCOMPARE(modeAfterClick, 0);
        QCOMPARE(teethShown, std::optional<QString>(QString()));  // nothing preloaded
        QCOMPARE(f.get("SPEED_DECREASE_DELAY"), std::string("ok 0"));
        QCOMPARE(f.get("SET_SPEED_1"), std::string("ok 1500"));
        QCOMPARE(f.get("PULSES_PER_REV"), std::string("ok 60.00"));
        // Start mode 0 without the Complete options prepares and opens the plot.
        QTRY_COMPARE(f.posted, std::vector<int>{kCmdParameterPlot});
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::WizardWindowTest)
#include "wizard_window_test.moc"
