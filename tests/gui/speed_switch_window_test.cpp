// The LPN 310 and KMS-2 wizards in the program's wizard window against the simulated
// controller on a pty, driven through the widgets: the uncalibrated LPN 310 opened by the
// connection (start mode 0) and the KMS-2 from the menu with current values (start mode 1).
// The simulator's EEPROM is checked after each run.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <map>

#include "app/wizard_commands.h"
#include "connection/command_ids.h"
#include "gui/program_window.h"
#include "gui_base/latin1.h"
#include "sim/sim_fixtures.h"
#include "wizard_pages/wizard_window.h"

namespace zvr {

namespace {

// Works the wizard window from a timer inside its modal loop: each tick gives the first open
// answer (by field id) to its enabled control, or presses Next, or Finish on Complete.
// Tool tips of the controls seen are collected, and with ZVR_WIZARD_GRABS set each page's
// first view is saved as a picture into that folder.
class Driver : public QObject {
public:
    explicit Driver(QWidget& frame) : frame_(frame) {
        connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
        timer_.start(10);
    }

    std::map<std::string, QString> answers;
    std::map<QString, QString> toolTips;  // field id -> tool tip
    QString caption;
    QStringList headings;
    std::optional<WizardEnd> end;
    bool stuck = false;

    bool done() const { return end.has_value() && !window_; }

private:
    void Tick() {
        if (!window_) {
            window_ = frame_.findChild<CWizardWindow*>();
            if (!window_) return;
            CWizardWindow* w = window_;
            connect(w, &QDialog::finished, this, [this, w] { end = w->sheet().end(); });
            opened_.start();
        }
        CWizardWindow& w = *window_;
        if (!w.isVisible() || w.sheet().ended()) return;
        if (opened_.elapsed() > 20000 || nextPresses_ > 100) {
            stuck = true;  // a page that keeps refusing would hold the modal loop for ever
            w.cancelButton()->click();
            return;
        }
        caption = w.windowTitle();
        if (headings.isEmpty() || headings.back() != w.heading()->text()) {
            headings.push_back(w.heading()->text());
        }
        const QString view = w.heading()->text() + QString::number(w.sheet().page().step);
        if (view != lastView_) {
            lastView_ = view;
            Picture(w);
        }
        for (QWidget* widget : w.findChildren<QWidget*>()) {
            if (!widget->toolTip().isEmpty()) toolTips[widget->objectName()] = widget->toolTip();
        }
        if (Answer(w)) return;
        if (w.finishButton()->isVisible() && w.finishButton()->isEnabled()) {
            w.finishButton()->click();
        } else if (w.nextButton()->isEnabled()) {
            ++nextPresses_;
            w.nextButton()->click();
        }
    }

    bool Answer(CWizardWindow& w) {
        if (!w.nextButton()->isEnabled()) return false;
        for (const WizardField& field : w.sheet().page().form.fields()) {
            auto it = answers.find(field.id);
            if (it == answers.end()) continue;
            QWidget* widget = w.field(it->first.c_str());
            if (widget == nullptr || !widget->isEnabled()) continue;
            const QString answer = it->second;
            answers.erase(it);
            if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                combo->setCurrentIndex(combo->findText(answer));
            } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                edit->selectAll();
                QTest::keyClicks(edit, answer);
            } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
                check->setChecked(answer == QStringLiteral("1"));
            } else {
                for (QRadioButton* button : widget->findChildren<QRadioButton*>()) {
                    if (button->text() == answer) button->click();
                }
            }
            return true;
        }
        return false;
    }

    void Picture(CWizardWindow& w) {
        const QByteArray folder = qgetenv("ZVR_WIZARD_GRABS");
        if (folder.isEmpty()) return;
        w.grab().save(
            QString::fromLocal8Bit(folder) +
            QStringLiteral("/speed_switch_%1.png").arg(++pictures_, 2, 10, QLatin1Char('0')));
    }

    QWidget& frame_;
    QTimer timer_;
    QPointer<CWizardWindow> window_;
    QElapsedTimer opened_;
    int nextPresses_ = 0;
    QString lastView_;
    int pictures_ = 0;
};

}  // namespace

class SpeedSwitchWindowTest : public QObject {
    Q_OBJECT

private:
    struct Fixture {
        explicit Fixture(const std::string& strategy, std::vector<std::string> commands = {}) {
            sim::SimOptions options;
            options.strategy = test::StrategyPath(strategy);
            simulator = sim::test::StartSimulator(options);
            for (const std::string& command : commands)
                simulator->execute(command);
            RegisterCalibrationWizards(program.frame, program.document, program.prompt,
                                       program.settings);
            program.frame.SetCommandHandler(kCmdParameterPlot,
                                            [this] { posted.push_back(kCmdParameterPlot); });
        }
        ~Fixture() { program.Close(); }

        bool Connect() {
            program.frame.workflow().PortChosen(simulator->linkPath());
            return QTest::qWaitFor(
                [this] {
                    return program.frame.paneText(0) == QStringLiteral("Ready") &&
                           !program.frame.workflow().CheckingFaultFlags();
                },
                10000);
        }
        std::string get(const std::string& name) { return simulator->execute("get " + name); }

        std::unique_ptr<sim::Simulator> simulator;
        test::ProgramWindow program;
        std::vector<int> posted;
    };

    test::GuiTestDirectory directory_;

private slots:
    void uncalibratedLpn310OpensItsWizardAndWritesTheAnswers() {
        Fixture f("RRQ31E05", {"uncalibrated on"});
        Driver driver(f.program.frame);
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
        Driver driver(f.program.frame);
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
