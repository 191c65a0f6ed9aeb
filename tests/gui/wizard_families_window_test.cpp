// The ZEVAR 880, 620 and 210 wizards in the program's window against the simulated
// controller on a pty, opened by the "Calibration Wizard" command and worked through their
// widgets: the stepper calibration dialog with each of its answers and Retry, Cancel during
// it, the 620's single/multiple radio buttons, the 210's overspeed percent. The simulator's
// EEPROM is checked after each run.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <map>

#include "app/wizard_commands.h"
#include "connection/command_ids.h"
#include "controller_unit.h"
#include "gui/program_window.h"
#include "gui_base/latin1.h"
#include "sim/sim_fixtures.h"
#include "wizard_pages/process_dialog.h"
#include "wizard_pages/wizard_window.h"

Q_DECLARE_METATYPE(std::vector<zvr::ProcessAnswer>)

namespace zvr {

namespace {

// Works the wizard window from a timer inside its modal loop: each tick gives the first open
// answer of the page to its control (a combo's or radio group's item by text or number from
// 1, an edit's text), or presses Next (Finish on Complete). A process dialog is left to the
// test's hook.
class FamilyDriver : public QObject {
public:
    explicit FamilyDriver(QWidget& frame) : frame_(frame) {
        connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
        timer_.start(10);
    }

    std::map<std::string, QString> answers;
    // Runs first each tick; true when it acted.
    std::function<bool(CWizardWindow&)> hook;
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
        if (opened_.elapsed() > 25000 || presses_ > 200) {
            stuck = true;
            w.cancelButton()->click();
            return;
        }
        caption = w.windowTitle();
        if (headings.isEmpty() || headings.back() != w.heading()->text())
            headings.push_back(w.heading()->text());
        if (hook && hook(w)) return;
        if (w.processDialog()->isVisible() || Answer(w)) return;
        if (w.finishButton()->isVisible() && w.finishButton()->isEnabled()) {
            w.finishButton()->click();
        } else if (w.nextButton()->isEnabled()) {
            ++presses_;
            w.nextButton()->click();
        }
    }

    bool Answer(CWizardWindow& w) {
        if (!w.nextButton()->isEnabled()) return false;
        for (const WizardField& field : w.sheet().page().form.fields()) {
            auto it = answers.find(field.id);
            QWidget* widget = it == answers.end() ? nullptr : w.field(field.id.c_str());
            if (widget == nullptr || !widget->isEnabled()) continue;
            const QString answer = it->second;
            answers.erase(it);
            bool number = false;
            const int item = answer.toInt(&number);
            if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                combo->setCurrentIndex(number ? item - 1 : combo->findText(answer));
            } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                edit->selectAll();
                QTest::keyClicks(edit, answer);
            } else {
                const QList<QRadioButton*> buttons = widget->findChildren<QRadioButton*>();
                for (int i = 0; i < buttons.size(); ++i) {
                    if (number ? i == item - 1 : buttons[i]->text() == answer) buttons[i]->click();
                }
            }
            return true;
        }
        return false;
    }

    QWidget& frame_;
    QTimer timer_;
    QPointer<CWizardWindow> window_;
    QElapsedTimer opened_;
    int presses_ = 0;
};

// With ZVR_WIZARD_GRABS set, a picture of the widget into that folder.
void Picture(QWidget& widget, const char* name) {
    const QByteArray folder = qgetenv("ZVR_WIZARD_GRABS");
    if (!folder.isEmpty()) widget.grab().save(QString::fromLocal8Bit(folder + "/" + name + ".png"));
}

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
    struct Fixture {
        explicit Fixture(const std::string& strategy) {
            sim::SimOptions options;
            options.strategy = test::StrategyPath(strategy);
            simulator = sim::test::StartSimulator(options);
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
        void preset(uint16_t address, std::vector<uint8_t> bytes) {
            simulator->withUnit(
                [&](sim::ControllerUnit& unit) { return unit.commitWrite(address, bytes); });
        }
        void run(FamilyDriver& driver) {
            program.frame.PostCommand(kCmdCalibrationWizard);
            QTRY_VERIFY_WITH_TIMEOUT(driver.done(), 40000);
        }

        std::unique_ptr<sim::Simulator> simulator;
        test::ProgramWindow program;
        std::vector<int> posted;
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
        FamilyDriver driver(f.program.frame);
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
            Picture(dialog, "stepper_dialog");
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
        FamilyDriver driver(f.program.frame);
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

    // The 620's spark count and its multiple speeds, chosen with the radio buttons.
    void zevar620SparkInputWithMultipleSpeeds() {
        Fixture f("Z99620G1");
        QVERIFY(f.Connect());
        FamilyDriver driver(f.program.frame);
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
        FamilyDriver driver(f.program.frame);
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
