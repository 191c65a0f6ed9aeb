// The LPN 310 and KMS-2 wizards in the program's wizard window against the simulated
// controller on a pty, driven through the widgets: the uncalibrated LPN 310 opened by the
// connection (start mode 0) and the KMS-2 from the menu with current values (start mode 1).
// The simulator's EEPROM is checked after each run.
#include <QApplication>
#include <QTest>

#include "gui/wizard_window_support.h"

namespace zvr {

using test::WizardDriver;
using test::WizardProgram;

namespace {

// Keeps the tool tips of the controls it sees and, with ZVR_WIZARD_GRABS set, a picture of
// each page's first view.
struct SpeedSwitchDriver : WizardDriver {
    explicit SpeedSwitchDriver(WizardProgram& f) : WizardDriver(f.program.frame, *f.simulator) {
        captureToolTips = true;
        viewPictures = QStringLiteral("speed_switch");
        nextPressLimit = 100;
    }
};

}  // namespace

class SpeedSwitchWindowTest : public QObject {
    Q_OBJECT

private:
    using Fixture = WizardProgram;

    test::GuiTestDirectory directory_;

private slots:
    void uncalibratedLpn310OpensItsWizardAndWritesTheAnswers() {
        Fixture f("RRQ31E05", {"uncalibrated on"});
        SpeedSwitchDriver driver(f);
        driver.answers = {{"engine.teeth", QStringLiteral("60")},
                          {"ch1.set_speed", QStringLiteral("1200")},
                          {"ch1.ep_a", QStringLiteral("1")},
                          {"ch2.mode", QStringLiteral("Glow Plug Controller")},
                          {"ch2.glow_time", QStringLiteral("12.5")},
                          {"ch3.crank_disable", QStringLiteral("650")},
                          {"protect.b_type", QStringLiteral("Switch to Vbatt")}};
        f.program.frame.workflow().PortChosen(f.simulator->linkPath());
        QTRY_VERIFY_WITH_TIMEOUT(driver.done(), 30000);
        QVERIFY2(!driver.stuck, qPrintable(driver.headings.join(u'|')));
        QCOMPARE(driver.end, WizardEnd::Finished);
        // The sheet's caption names the unit as the menu does; its pages call it LPN 310.
        QCOMPARE(driver.caption, QStringLiteral("LPN 310 Calibration Wizard"));
        QVERIFY2(driver.answers.empty(), "every answer found its control");
        QVERIFY(driver.headings.contains(QStringLiteral("Engine Protection Setup")));
        QVERIFY(driver.headings.contains(
            QStringLiteral("The LPN 310 Calibration Wizard is complete!")));
        QCOMPARE(driver.toolTips[QStringLiteral("ch1.set_speed")],
                 QStringLiteral("Minimum rpm to go to Set condition"));
        QCOMPARE(driver.toolTips[QStringLiteral("ch3.disable_b")],
                 QStringLiteral("Check = Disable Autocrank on EP-B fault"));
        QCOMPARE(driver.toolTips[QStringLiteral("protect.c_debounce")],
                 QStringLiteral("EP-C switch debounce time (msec) - Note: 1000 msec = 1 sec"));
        QCOMPARE(f.get("PULSES_PER_REV"), std::string("ok 60.00"));
        QCOMPARE(f.get("SET_SPEED_1"), std::string("ok 1200"));
        QCOMPARE(f.get("RESET_SPEED_1"), std::string("ok 960"));
        QCOMPARE(f.get("CHNL_1_CONFIG"), std::string("ok 00000001"));
        QCOMPARE(f.get("CHNL_2_OP_MODE"), std::string("ok 3"));
        QCOMPARE(f.get("GLOWPLUG_TIME"), std::string("ok 12.50"));
        QCOMPARE(f.get("CRANK_DISABLE"), std::string("ok 650"));
        QCOMPARE(f.get("SWITCH_CTRL"), std::string("ok 00000010"));
        QCOMPARE(f.get("PULSES_PER_UPDATE"), std::string("ok 60"));
        // Finish only closes: no plot is prepared.
        QTest::qWait(50);
        QVERIFY(f.posted.empty());
    }

    void kms2WithCurrentValuesFromTheMenu() {
        Fixture f("KMS01K01");
        QVERIFY(f.Connect());
        SpeedSwitchDriver driver(f);
        driver.answers = {{"welcome.start", QStringLiteral("Start with current values")},
                          {"engine.teeth", QStringLiteral("30")},
                          {"ch1.set_speed_min", QStringLiteral("240")},
                          {"ch1.set_speed_max", QStringLiteral("900")},
                          {"ch1.reset_pcnt", QStringLiteral("100")},
                          {"ch2.mode", QStringLiteral("Autocrank Controller")},
                          {"ch2.crank_max", QStringLiteral("500")},
                          {"ch2.crank_min", QStringLiteral("500")},
                          {"ch2.disable_ep", QStringLiteral("1")}};
        QVERIFY(f.program.frame.menus().action(kCmdCalibrationWizard)->isEnabled());
        f.program.frame.PostCommand(kCmdCalibrationWizard);
        QTRY_VERIFY_WITH_TIMEOUT(driver.done(), 30000);
        QVERIFY2(!driver.stuck, qPrintable(driver.headings.join(u'|')));
        QCOMPARE(driver.end, WizardEnd::Finished);
        QCOMPARE(driver.caption, QStringLiteral("KMS-2 Calibration Wizard"));
        QVERIFY2(driver.answers.empty(), "every answer found its control");
        QCOMPARE(f.get("PULSES_PER_REV"), std::string("ok 30.00"));
        QCOMPARE(f.get("PULSES_PER_UPDATE"), std::string("ok 1"));
        QCOMPARE(f.get("SET_SPEED_1_MIN"), std::string("ok 240"));
        QCOMPARE(f.get("RESET_PCNT_1"), std::string("ok 1.00000"));
        QCOMPARE(f.get("CHNL_2_OP_MODE"), std::string("ok 2"));
        QCOMPARE(f.get("SET_SPEED_2_MIN"), std::string("ok 500"));
        QCOMPARE(f.get("SET_SPEED_2_MAX"), std::string("ok 500"));
        QCOMPARE(f.get("AUTOCRANK_CONFIG"), std::string("ok 00000001"));
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::SpeedSwitchWindowTest)
#include "speed_switch_window_test.moc"
