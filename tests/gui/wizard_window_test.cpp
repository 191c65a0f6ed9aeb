// The calibration wizard's window against the simulated controller on a pty, driven through
// its widgets as a technician would: the uncalibrated unit's wizard opened by the connection,
// the "Calibration Wizard" command with current values, Back, and Cancel during the analog
// calibration process. The simulator's EEPROM is checked after each run.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <deque>
#include <map>

#include "app/wizard_commands.h"
#include "calfile/cal_transfer_dialog.h"
#include "connection/command_ids.h"
#include "gui/program_window.h"
#include "gui_base/latin1.h"
#include "sim/sim_fixtures.h"
#include "wizard/zevar740_wizard.h"
#include "wizard_pages/process_dialog.h"
#include "wizard_pages/wizard_window.h"

namespace zvr {

namespace {

// Where the pedal and the idle switch stand when the process dialog asks.
struct PedalMove {
    double position;
    bool idleSwitch;
};

long AdcAt(double position) { return std::lround(102 + position * (922 - 102)); }

// The box being recorded (the maximum's once it shows, the minimum's before) follows the
// pedal, and so does its IVS box.
bool LiveShows(CWizardWindow& w, const PedalMove& move) {
    const bool second = w.field("analog.max") != nullptr;
    auto* edit = qobject_cast<QLineEdit*>(w.field(second ? "analog.max" : "analog.min"));
    if (edit == nullptr || std::lround(edit->text().toDouble()) != AdcAt(move.position))
        return false;
    auto* check = qobject_cast<QCheckBox*>(w.field(second ? "analog.ivs_max" : "analog.ivs_min"));
    return check == nullptr || check->isChecked() == move.idleSwitch;
}

// Works the wizard window from a timer, so that it runs inside the window's own modal loop:
// each tick gives the first open answer of the current step to its control, or, with none
// left, presses Next (Finish on Complete). Answers are keyed by field id: a combo's item by
// its text or its number from 1, an edit's text, a check box's "1" or "0". At each process
// dialog the next pedal move is made on the simulator, and Done is pressed once the page's
// live boxes show it.
class WizardDriver : public QObject {
public:
    WizardDriver(QWidget& frame, sim::Simulator& simulator) : frame_(frame), simulator_(simulator) {
        connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
        timer_.start(10);
    }

    std::map<std::string, QString> answers;
    std::deque<PedalMove> moves;
    // Runs before the default action each tick; true when it acted.
    std::function<bool(CWizardWindow&)> hook;

    QString caption;
    QStringList headings;
    std::optional<WizardEnd> end;
    bool wasModal = false;
    bool stuck = false;
    std::vector<std::vector<QString>> summary;

    // The wizard opened and has closed again.
    bool done() const { return end.has_value() && !window_; }

private:
    void Tick() {
        if (!window_) {
            window_ = frame_.findChild<CWizardWindow*>();
            if (!window_) return;
            CWizardWindow* w = window_;
            connect(w, &QDialog::finished, this, [this, w] { end = w->sheet().end(); });
        }
        CWizardWindow& w = *window_;
        if (!w.isVisible() || w.sheet().ended()) return;
        // A wizard waiting on something that never comes would hold the modal loop for ever.
        if (!opened_.isValid()) opened_.start();
        if (opened_.elapsed() > 20000) {
            stuck = true;
            w.cancelButton()->click();
            return;
        }
        caption = w.windowTitle();
        wasModal = w.isModal();
        if (headings.isEmpty() || headings.back() != w.heading()->text())
            headings.push_back(w.heading()->text());
        if (hook && hook(w)) return;
        if (w.processDialog()->isVisible()) {
            Process(w);
            return;
        }
        if (Answer(w)) return;
        if (w.finishButton()->isVisible() && w.finishButton()->isEnabled()) {
            w.finishButton()->click();
        } else if (w.nextButton()->isEnabled()) {
            if (w.summaryList()->isVisible()) Grab(w);
            if (w.heading()->text() == QStringLiteral("Speed Setup")) Picture(w, "speed_page");
            // A page that keeps refusing would hold the modal loop for ever: give up.
            if (++nextPresses_ > 200) {
                stuck = true;
                w.cancelButton()->click();
                return;
            }
            w.nextButton()->click();
        }
    }

    bool Answer(CWizardWindow& w) {
        if (!w.nextButton()->isEnabled() && !w.finishButton()->isEnabled()) return false;
        // In the order the controls stand: a combo's choice can reveal or reset those below.
        for (const WizardField& field : w.sheet().page().form.fields()) {
            auto it = answers.find(field.id);
            if (it == answers.end()) continue;
            QWidget* widget = w.field(it->first.c_str());
            if (widget == nullptr || !widget->isEnabled()) continue;
            const QString answer = it->second;
            answers.erase(it);
            if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                bool number = false;
                const int item = answer.toInt(&number);
                combo->setCurrentIndex(number ? item - 1 : combo->findText(answer));
            } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                edit->selectAll();
                QTest::keyClicks(edit, answer);
            } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
                check->setChecked(answer == QStringLiteral("1"));
            } else {
                ChooseRadio(*widget, answer);
            }
            return true;
        }
        return false;
    }

    // A radio group's button by its number or its text, clicked as the person would.
    static void ChooseRadio(QWidget& group, const QString& answer) {
        const QList<QRadioButton*> buttons = group.findChildren<QRadioButton*>();
        bool number = false;
        const int item = answer.toInt(&number);
        for (int i = 0; i < buttons.size(); ++i) {
            if (number ? i == item - 1 : buttons[i]->text() == answer) buttons[i]->click();
        }
    }

    void Process(CWizardWindow& w) {
        if (moves.empty()) return;
        const PedalMove move = moves.front();
        if (!moved_) {
            simulator_.execute("pedal " + std::to_string(move.position));
            simulator_.execute(std::string("ivs ") + (move.idleSwitch ? "on" : "off"));
            moved_ = true;
            return;
        }
        if (!LiveShows(w, move)) return;
        moves.pop_front();
        moved_ = false;
        w.processDialog()->doneButton()->click();
    }

    void Grab(CWizardWindow& w) {
        summary.clear();
        for (int i = 0; i < w.summaryList()->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = w.summaryList()->topLevelItem(i);
            summary.push_back({item->text(0), item->text(1), item->text(2)});
        }
        Picture(w, "summary");
    }

    // With ZVR_WIZARD_GRABS set, a picture of the window into that folder.
    static void Picture(CWizardWindow& w, const char* name) {
        const QByteArray folder = qgetenv("ZVR_WIZARD_GRABS");
        if (!folder.isEmpty()) w.grab().save(QString::fromLocal8Bit(folder + "/" + name + ".png"));
    }

    QWidget& frame_;
    sim::Simulator& simulator_;
    QTimer timer_;
    QPointer<CWizardWindow> window_;
    bool moved_ = false;
    int nextPresses_ = 0;
    QElapsedTimer opened_;
};

}  // namespace

class WizardWindowTest : public QObject {
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
            program.frame.SetCommandHandler(kCmdSaveCal, [this] { posted.push_back(kCmdSaveCal); });
        }
        ~Fixture() { program.Close(); }

        bool Connect() {
            program.frame.workflow().PortChosen(simulator->linkPath());
            // Ready, and the connection's own fault check over: the wizard's requests come after.
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
            w.setButtons(c.mask);
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
};

}  // namespace zvr

QTEST_MAIN(zvr::WizardWindowTest)
#include "wizard_window_test.moc"
