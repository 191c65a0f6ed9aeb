// The ZEVAR 880, 620 and 210 wizards in the program's window against the simulated
// controller on a pty, opened by the "Calibration Wizard" command and worked through their
// widgets: the stepper calibration dialog with each of its answers and Retry, Cancel during
// it, the 620's single/multiple radio buttons, the 210's overspeed percent. The simulator's
// EEPROM is checked after each run.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "controller_unit.h"
#include "gui/wizard_window_support.h"

Q_DECLARE_METATYPE(std::vector<zvr::ProcessAnswer>)

namespace zvr {

using test::WizardDriver;
using test::WizardProgram;

namespace {

// Start mode 1 through the ZEVAR 880's pages to the stepper page: 4 cylinders, 700-2600 rpm,
// no analog input, one speed, no output, no protection.
std::map<std::string, QString> Zevar880Answers(const char* degrees) {
    return {
        {"welcome.start", QStringLiteral("2")},  {"engine.cylinders", QStringLiteral("4")},
        {"range.lowest", QStringLiteral("700")}, {"range.highest", QStringLiteral("2600")},
        {"analog.mode", QStringLiteral("1")},    {"speed.count", QStringLiteral("1 Speed")},
        {"speed.1", QStringLiteral("1500")},     {"speed.warmup_time", QStringLiteral("0")},
        {"aux1.mode", QStringLiteral("1")},      {"protect.overspeed", QStringLiteral("1")},
        {"protect.switch", QStringLiteral("1")}, {"stepper.degrees", QString::fromLatin1(degrees)}};
}

}  // namespace

class WizardFamiliesWindowTest : public QObject {
    Q_OBJECT

private:
    struct Fixture : WizardProgram {
        using WizardProgram::WizardProgram;

        void preset(uint16_t address, std::vector<uint8_t> bytes) {
            simulator->withUnit(
                [&](sim::ControllerUnit& unit) { return unit.commitWrite(address, bytes); });
        }
        // The families' process dialogs are the test's hook to answer (no pedal moves).
        void run(WizardDriver& driver) {
            driver.timeLimitMs = 25000;
            program.frame.PostCommand(kCmdCalibrationWizard);
            QTRY_VERIFY_WITH_TIMEOUT(driver.done(), 40000);
        }
    };

    test::GuiTestDirectory directory_;

private slots:
    // Each answer of the direction dialog, and "Didn't move" with Retry (back to the travel
    // question, then the second run's answer) or with Cancel (STEP_CONFIG left at the 3 the
    // process wrote): STEP_CONFIG and STEP_MAX_STEP in the EEPROM after the write.
    void zevar880StepperDialog_data() {
        QTest::addColumn<std::vector<ProcessAnswer>>("given");
        QTest::addColumn<bool>("retry");
        QTest::addColumn<QString>("config");
        QTest::newRow("retry, then closed")
            << std::vector<ProcessAnswer>{ProcessAnswer::DidntMove, ProcessAnswer::MovedClosed}
            << true << QStringLiteral("ok 3");
        QTest::newRow("full travel") << std::vector<ProcessAnswer>{ProcessAnswer::MovedFullTravel}
                                     << true << QStringLiteral("ok 131");
        QTest::newRow("didn't move, cancel") << std::vector<ProcessAnswer>{ProcessAnswer::DidntMove}
                                             << false << QStringLiteral("ok 3");
    }

    void zevar880StepperDialog() {
        QFETCH(std::vector<ProcessAnswer>, given);
        QFETCH(bool, retry);
        QFETCH(QString, config);
        Fixture f("ZVX51A04");
        f.preset(0x4187, {0x80});  // STEP_CONFIG 128, which a whole write would put back
        QVERIFY(f.Connect());
        WizardDriver driver(f.program.frame, *f.simulator);
        driver.answers = Zevar880Answers("90");
        QStringList captions;
        QString toolTip;
        bool analogButtonsShown = false;
        std::vector<int> shownButtons;  // each time the dialog opens
        driver.hook = [&](CWizardWindow& w) {
            CProcessDlg& dialog = *w.processDialog();
            if (!dialog.isVisible() || given.empty()) return false;
            captions.push_back(dialog.windowTitle());
            toolTip = dialog.button(ProcessAnswer::MovedFullTravel)->toolTip();
            analogButtonsShown = analogButtonsShown || !dialog.doneButton()->isHidden();
            const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
            shownButtons.push_back(static_cast<int>(std::count_if(
                buttons.begin(), buttons.end(), [](QPushButton* b) { return b->isVisible(); })));
            WizardDriver::Picture(dialog, "stepper_dialog");
            // The wiring question after "Didn't move".
            f.program.prompt.answers = {retry ? PromptAnswer::Retry : PromptAnswer::Cancel};
            dialog.button(given.front())->click();
            given.erase(given.begin());
            return true;
        };
        f.run(driver);
        QVERIFY2(!driver.stuck, qPrintable(driver.headings.join(u'|')));
        QCOMPARE(driver.end, WizardEnd::Finished);
        QCOMPARE(driver.caption, QStringLiteral("ZEVAR 880 Calibration Wizard"));
        QVERIFY(given.empty());
        QVERIFY(!analogButtonsShown);
        QCOMPARE(shownButtons, std::vector<int>(captions.size(), 3));
        QVERIFY(captions.filter(QStringLiteral("Stepper Motor Calibration Process")).size() ==
                captions.size());
        QCOMPARE(toolTip, QStringLiteral("Click here if the motor moved from the center position "
                                         "to full throttle."));
        QCOMPARE(QString::fromStdString(f.get("STEP_CONFIG")), config);
        QCOMPARE(f.get("STEP_MAX_STEP"), std::string("ok 50"));
        QCOMPARE(f.get("STEP_MODE"), std::string("ok 0"));
        QCOMPARE(f.get("STEP_POWER_DN"), std::string("ok 15"));
        QCOMPARE(f.get("SET_SPEED_1"), std::string("ok 1500"));
        QVERIFY(f.posted.empty());  // start mode 1: Finish only closes
    }

    // Cancel while the direction dialog waits puts back every stepper scalar the process
    // wrote, as the Welcome read found them.
    void zevar880CancelDuringTheStepperProcessRestores() {
        Fixture f("ZVX51A04");
        f.preset(0x418C, {0x00, 0x96});  // STEP_MAX_STEP 150
        f.preset(0x4187, {0x80});        // STEP_CONFIG 128
        f.preset(0x4188, {0x28});        // STEP_POWER_DN 40
        QVERIFY(f.Connect());
        WizardDriver driver(f.program.frame, *f.simulator);
        driver.answers = Zevar880Answers("180");
        std::string modeDuringProcess;
        driver.hook = [&](CWizardWindow& w) {
            if (!w.processDialog()->isVisible() || !modeDuringProcess.empty()) return false;
            modeDuringProcess = f.get("STEP_MODE");
            w.cancelButton()->click();
            return true;
        };
        f.run(driver);
        QCOMPARE(driver.end, WizardEnd::Cancelled);
        QCOMPARE(modeDuringProcess, std::string("ok 2"));
        QCOMPARE(f.get("STEP_MODE"), std::string("ok 0"));
        QCOMPARE(f.get("STEP_MAX_STEP"), std::string("ok 150"));
        QCOMPARE(f.get("STEP_CONFIG"), std::string("ok 128"));
        QCOMPARE(f.get("STEP_POWER_DN"), std::string("ok 40"));
    }

    // Cancel on the Complete page once the whole write has gone through closes the wizard and
    // puts nothing back: the ZEVAR 740 recalibrated from a trim input (mode 13) to a pot keeps
    // the pot's calibration and mode, the ZEVAR 880 the stepper set-up it was given; no plot
    // is set up and no command posted.
    void cancelOnCompleteKeepsWhatWasWritten() {
        struct Case {
            const char* strategy;
            std::map<std::string, QString> answers;
            std::deque<test::PedalMove> moves;
            std::vector<std::string> scalars;  // the values the processes wrote
        };
        std::map<std::string, QString> pot = {
            {"welcome.start", QStringLiteral("2")},
            {"engine.type", QStringLiteral("1")},
            {"engine.count", QStringLiteral("4")},
            {"analog.mode", QStringLiteral("Pot or analog Control for stationary applications")},
            {"speed.count", QStringLiteral("Variable Speed")},
            {"speed.1", QStringLiteral("900")},
            {"speed.2", QStringLiteral("1500")},
            {"speed.3", QStringLiteral("2300")},
            {"aux1.mode", QStringLiteral("1")},
            {"protect.overspeed", QStringLiteral("1")},
            {"protect.switch", QStringLiteral("1")}};
        const Case cases[] = {
            {"ZVX41R03",
             pot,
             {{0.0, true}, {1.0, true}},
             {"EXTERNAL_ANALOG_MODE", "APP_MIN_CAL", "APP_RANGE_CAL", "SET_SPEED_1"}},
            {"ZVX51A04",
             Zevar880Answers("90"),
             {},
             {"STEP_MAX_STEP", "STEP_CONFIG", "STEP_MODE", "STEP_POWER_DN", "SET_SPEED_1"}},
        };
        for (const Case& c : cases) {
            Fixture f(c.strategy);
            QVERIFY(f.Connect());
            if (std::string(c.strategy) == "ZVX41R03") {
                const ScalarDef* mode =
                    f.program.document.definitions.scalars.find("EXTERNAL_ANALOG_MODE");
                QVERIFY(mode != nullptr);
                f.preset(static_cast<uint16_t>(mode->eepromAddress), {13});
            }
            WizardDriver driver(f.program.frame, *f.simulator);
            driver.answers = c.answers;
            driver.moves = c.moves;
            std::map<std::string, std::string> written;
            driver.hook = [&](CWizardWindow& w) {
                if (CProcessDlg& dialog = *w.processDialog();
                    dialog.isVisible() && dialog.button(ProcessAnswer::MovedFullTravel)) {
                    dialog.button(ProcessAnswer::MovedFullTravel)->click();
                    return true;
                }
                if (!w.sheet().onComplete() || !w.finishButton()->isEnabled() || !written.empty())
                    return false;
                for (const std::string& name : c.scalars)
                    written[name] = f.get(name);
                w.cancelButton()->click();
                return true;
            };
            f.run(driver);
            QVERIFY2(!driver.stuck, qPrintable(driver.headings.join(u'|')));
            QCOMPARE(driver.end, WizardEnd::Cancelled);
            QVERIFY2(!written.empty(), c.strategy);
            for (const std::string& name : c.scalars)
                QCOMPARE(f.get(name), written[name]);
            if (std::string(c.strategy) == "ZVX41R03") {
                QVERIFY(written["EXTERNAL_ANALOG_MODE"] != "ok 13");
            }
            for (const std::string& text : f.program.prompt.texts())
                QVERIFY2(text.find("restoring") == std::string::npos, text.c_str());
            QVERIFY(f.posted.empty());
            QVERIFY(f.program.store.strings.count("Plot 1 Name") == 0);
        }
    }

    // The 620's spark count and its multiple speeds, chosen with the radio buttons.
    void zevar620SparkInputWithMultipleSpeeds() {
        Fixture f("Z99620G1");
        QVERIFY(f.Connect());
        WizardDriver driver(f.program.frame, *f.simulator);
        driver.answers = {{"welcome.start", QStringLiteral("1")},
                          {"engine.type", QStringLiteral("2")},
                          {"engine.count", QStringLiteral("6")},
                          {"speed.mode", QStringLiteral("Setup for Multiple Speed operation")},
                          {"speed.count", QStringLiteral("2 Speed")},
                          {"speed.1", QStringLiteral("1000")},
                          {"speed.2", QStringLiteral("2000")}};
        f.run(driver);
        QVERIFY2(!driver.stuck, qPrintable(driver.headings.join(u'|')));
        QCOMPARE(driver.end, WizardEnd::Finished);
        QCOMPARE(driver.caption, QStringLiteral("ZEVAR 620 Calibration Wizard"));
        QVERIFY2(driver.answers.empty(), "every answer found its control");
        QCOMPARE(f.get("PULSES_PER_REV"), std::string("ok 3.00"));
        QCOMPARE(f.get("PULSES_PER_SAMPLE"), std::string("ok 1"));
        QCOMPARE(f.get("SWITCH_CONFIGURATION"), std::string("ok 2"));
        QCOMPARE(f.get("SET_SPEED_2"), std::string("ok 2000"));
        // Start mode 0: the plot is prepared with the 620's own bounds.
        QTRY_COMPARE(f.posted, std::vector<int>{kCmdParameterPlot});
        QCOMPARE(f.program.store.strings["Plot 1 Min"], std::string("850"));
        QCOMPARE(f.program.store.strings["Plot 1 Max"], std::string("2300"));
    }

    // The 210 with overspeed shutdown: the percent reaches OVERSPEED_PCNT, and Finish opens
    // the Parameter Plot even in start mode 1.
    void zevar210WithOverspeed() {
        Fixture f("ZVX01B02");
        QVERIFY(f.Connect());
        WizardDriver driver(f.program.frame, *f.simulator);
        driver.answers = {
            {"welcome.start", QStringLiteral("2")},     {"engine.cylinders", QStringLiteral("6")},
            {"range.lowest", QStringLiteral("900")},    {"range.highest", QStringLiteral("2100")},
            {"protect.overspeed", QStringLiteral("2")}, {"protect.percent", QStringLiteral("15")}};
        f.run(driver);
        QVERIFY2(!driver.stuck, qPrintable(driver.headings.join(u'|')));
        QCOMPARE(driver.end, WizardEnd::Finished);
        QCOMPARE(driver.caption, QStringLiteral("ZEVAR 210 Calibration Wizard"));
        QVERIFY(driver.headings.contains(
            QStringLiteral("The ZEVAR 210 Calibration Wizard has been completed!")));
        QCOMPARE(QString::fromStdString(f.get("OVERSPEED_PCNT")),
                 QStringLiteral("ok 0.14999"));  // 15 % at the scale of 1/32768
        QCOMPARE(f.get("PULSES_PER_UPDATE"), std::string("ok 40"));
        QCOMPARE(f.get("SET_SPEED_MAX"), std::string("ok 2100"));
        QTRY_COMPARE(f.posted, std::vector<int>{kCmdParameterPlot});
        QCOMPARE(f.program.store.strings["Plot 1 Min"], std::string("700"));
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::WizardFamiliesWindowTest)
#include "wizard_families_window_test.moc"
