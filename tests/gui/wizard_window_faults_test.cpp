// The calibration wizard's window when things go wrong, against the simulated controller on a
// pty: entries the pages refuse, Cancel on every page, a controller that stops answering or
// hangs up during each of the wizard's conversations with it or before a restore; and what
// demonstration mode lets through.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <atomic>
#include <functional>

#include "gui/wizard_window_support.h"
#include "wizard/wizard_families.h"
#include "wizard/zevar740_wizard.h"

namespace zvr {

namespace {

using test::WizardProgram;

// What the person does, in order: an id names a control (a combo's item by its text, an
// edit's text), "next" presses Next, "pedal" moves the input to the given position on the
// simulator and presses the process dialog's Done once the page shows the reading.
using Entries = std::vector<std::pair<std::string, std::string>>;

// The wizard window opened on a link and worked step by step; after each action the test
// waits until the wizard waits for the person again, or has ended.
class WizardAtHand {
public:
    // What the person does away from the window: moves the input the analog calibration
    // records, and (for the check of the page's live boxes) where the idle switch stands.
    struct Input {
        std::function<void(double)> movePedal;
        std::function<bool()> idleSwitch;
    };

    WizardAtHand(CDataServer& link, test::ScriptedPrompt& prompt, Input input,
                 SettingsStore* settings = nullptr, QWidget* parent = nullptr,
                 std::vector<int>* posted = nullptr)
        : link_(link),
          prompt_(prompt),
          input_(std::move(input)),
          settings_(settings),
          parent_(parent),
          posted_(posted) {}
    // Over the program's main window, on its simulated controller.
    explicit WizardAtHand(WizardProgram& f)
        : WizardAtHand(
              f.program.document, f.program.prompt,
              {[&f](double position) { f.simulator->execute("pedal " + std::to_string(position)); },
               [&f] { return f.get("switch_f_debounced").find(" 8") != std::string::npos; }},
              &f.program.settings.store(), &f.program.frame, &f.posted) {}
    ~WizardAtHand() { window_.reset(); }

    // Makes the window and starts it, without waiting for its first request.
    bool Start() {
        WizardSheetMaker make =
            WizardSheetFor(link_.definitions.header.strategyName, link_.definitions.filePath,
                           link_.GetIdentification().strategyText);
        if (!make) return false;
        std::vector<int>* posted = posted_;
        window_ =
            std::make_unique<CWizardWindow>(WizardWindowLinks{link_, prompt_, settings_,
                                                              [posted](int command) {
                                                                  if (posted)
                                                                      posted->push_back(command);
                                                              }},
                                            make, parent_);
        window_->Start();
        window_->show();
        return true;
    }

    bool Open() { return Start() && Settled(); }

    CWizardWindow& window() { return *window_; }
    WizardSheet& sheet() { return window_->sheet(); }
    QString heading() const { return window_->heading()->text(); }

    bool Settled() {
        return QTest::qWaitFor([this] { return sheet().ended() || sheet().waitingForPerson(); },
                               15000);
    }

    // Does what the entries say; false (with the entry in failure) when a control is not
    // there to take it.
    bool Do(const Entries& entries) {
        for (const auto& [id, value] : entries) {
            if (!DoOne(id, value)) {
                failure = QString::fromStdString(id + " = " + value + " on ") + heading();
                return false;
            }
        }
        return true;
    }

    bool Press(QPushButton* button) {
        if (!button->isVisible() || !button->isEnabled()) return false;
        QTest::mouseClick(button, Qt::LeftButton);
        return Settled();
    }

    // Cancel, and whatever it puts back in the controller, until the window has closed.
    bool Cancel() {
        QTest::mouseClick(window_->cancelButton(), Qt::LeftButton);
        return QTest::qWaitFor([this] { return sheet().ended() && !window_->isVisible(); }, 15000);
    }

    QString failure;

private:
    bool DoOne(const std::string& id, const std::string& answer) {
        const QString value = QString::fromStdString(answer);
        if (id == "next") return Press(window_->nextButton());
        if (id == "back") return Press(window_->backButton());
        if (id == "retain") return Press(window_->retainButton());
        if (id == "finish") return Press(window_->finishButton());
        if (id == "pedal") return Capture(value.toDouble());
        QWidget* widget = window_->field(id.c_str());
        if (widget == nullptr || !widget->isEnabled()) return false;
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            const int item = combo->findText(value);
            if (item < 0) return false;
            combo->setCurrentIndex(item);
            return true;
        }
        auto* edit = qobject_cast<QLineEdit*>(widget);
        if (edit == nullptr) return false;
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, value);
        return edit->text() == value;
    }

    bool Capture(double position) {
        if (!window_->processDialog()->isVisible()) return false;
        input_.movePedal(position);
        const test::PedalMove move{position, input_.idleSwitch()};
        if (!QTest::qWaitFor([&] { return test::LiveShows(*window_, move); }, 5000)) return false;
        return Press(window_->processDialog()->doneButton());
    }

    CDataServer& link_;
    test::ScriptedPrompt& prompt_;
    Input input_;
    SettingsStore* settings_;
    QWidget* parent_;
    std::vector<int>* posted_;
    std::unique_ptr<CWizardWindow> window_;
};

// A demonstration link whose live values are known: fault flags with the fatal bit set, an
// input the test moves, and an idle switch that stays open.
class ScriptedDemo : public CDataServer {
public:
    ScriptedDemo() {
        SetDemoTicks(test::kTestDemoTicks);
        test::ScriptedPrompt loading;
        loaded = Load(test::StrategyPath("DEMO740"), loading) == 0 &&
                 OpenPort("DEMO", kTimeoutTicks) == 0;
        if (loaded) {
            faultFlags_ =
                static_cast<uint16_t>(definitions.variables.find("fault_flags1")->ramAddress);
            adc_ = static_cast<uint16_t>(definitions.variables.find("adc_app")->ramAddress);
        }
    }
    ~ScriptedDemo() override { Close(); }

    bool loaded = false;
    std::atomic<double> pedal{0};
    std::atomic<int> fatalFlagsAnswered{0};

protected:
    uint16_t DemoLiveValue(uint16_t address) override {
        if (address == faultFlags_) {
            ++fatalFlagsAnswered;
            return 0x0200;  // a one-byte flag word: bit 1 of its high byte, fatal
        }
        if (address == adc_) return static_cast<uint16_t>(test::AdcAt(pedal));
        return 0;  // the idle switch stays open
    }

private:
    uint16_t faultFlags_ = 0;
    uint16_t adc_ = 0;
};

// The controller's EEPROM, scalar by scalar, as the simulator holds it.
std::map<std::string, std::string> Eeprom(WizardProgram& f) {
    std::map<std::string, std::string> values;
    for (const auto& scalar : f.program.document.definitions.scalars.entries())
        values[scalar->name] = f.get(scalar->name);
    return values;
}

// A refused entry: on the page with this heading, the entries (the step's good answers
// around the bad one), then Next shows the message and the page stays on its step. A
// question is answered No.
struct Refusal {
    const char* page;
    Entries entries;
    const char* message;
    bool question = false;
};

// The answers that take each page on, by heading.
using WayOn = std::map<QString, Entries>;

Entries Ramps(const char* up, const char* down, const char* warmupTime = "0",
              const char* warmupRpm = "") {
    Entries entries = {
        {"speed.warmup_time", warmupTime}, {"speed.ramp_up", up}, {"speed.ramp_down", down}};
    if (*warmupRpm != '\0') entries.push_back({"speed.warmup_rpm", warmupRpm});
    return entries;
}

Entries Join(Entries first, const Entries& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const char* const kEngine760 = "Configure Engine Speed Input";
const char* const kEngine740 = "Engine Sensor Setup";
const char* const kRange = "Configure Desired Engine Speed Range";
const char* const kAnalog = "Configure Analog Input";
const char* const kSpeed = "Speed Setup";
const char* const kAux1 = "Configure Auxiliary Output 1 of 2";
const char* const kAux2 = "Configure Auxiliary Output 2 of 2";
const char* const kProtect = "Configure Engine Protection";
const char* const kSummary = "Review your selections and click Next to calibrate the controller.";

}  // namespace

class WizardWindowFaultsTest : public QObject {
    Q_OBJECT

private:
    test::GuiTestDirectory directory_;

    // Walks the wizard's pages in order and tries each refusal on its page: the message must
    // reach the person, and the page must keep its heading and its step. Between refusals
    // Back returns the page to its first question.
    static void TryRefusals(WizardAtHand& wizard, test::ScriptedPrompt& prompt,
                            const std::vector<Refusal>& refusals, const WayOn& wayOn) {
        for (const Refusal& refusal : refusals) {
            while (wizard.heading() != QString::fromLatin1(refusal.page)) {
                const auto way = wayOn.find(wizard.heading());
                QVERIFY2(way != wayOn.end(), qPrintable(wizard.heading()));
                QVERIFY2(wizard.Do(way->second), qPrintable(wizard.failure));
            }
            QVERIFY2(wizard.Do(refusal.entries), qPrintable(wizard.failure));
            const int step = wizard.sheet().page().step;
            const size_t before = prompt.shown.size();
            if (refusal.question) prompt.answers.push_back(PromptAnswer::No);
            QVERIFY(wizard.Do({{"next", {}}}));
            QVERIFY2(prompt.shown.size() == before + 1, refusal.message);
            QCOMPARE(prompt.shown.back().text, std::string(refusal.message));
            QCOMPARE(wizard.heading(), QString::fromLatin1(refusal.page));
            QVERIFY2(wizard.sheet().page().step == step, refusal.message);
            while (wizard.sheet().page().step > 1)
                QVERIFY(wizard.Do({{"back", {}}}));
        }
    }

private slots:
    // Every entry the pages refuse, typed into the window: the ZEVAR 760's pages from an
    // uncalibrated unit (nothing filled in), then the ZEVAR 740's own engine page.
    void refusedEntriesShowTheirMessageAndKeepThePage() {
        const Entries mpu = {{"engine.type", "Magnetic Pickup (MPU)"}};
        const Entries oneSpeed = {{"speed.count", "1 Speed"}, {"next", {}}, {"speed.1", "1500"}};
        const Entries variable = {{"speed.count", "Variable Speed"}, {"next", {}}};
        const Entries rpmOutput = {{"aux1.mode", "Output on when rpm > AUX_OUTPUT_RPM"},
                                   {"next", {}}};
        const Entries autocrank = {{"aux1.mode", "Autocrank mode"}, {"next", {}}};
        const Entries glowplug = {{"aux1.mode", "Glowplug Mode"}, {"next", {}}};
        const Entries overspeed = {{"protect.overspeed", "Yes, enable overspeed shutdown."},
                                   {"next", {}}};
        const Entries protectSwitch = {{"protect.overspeed", "No overspeed shutdown."},
                                       {"next", {}},
                                       {"protect.switch", "Yes, enable engine protect switch."},
                                       {"next", {}}};
        const char* const tooSmall = " is too small, Value must be  > ";
        const char* const tooLarge = " is too large, Value must be < ";
        const auto refused = [&](const char* label, const char* limits, const char* limit) {
            return std::string(label) + limits + limit + ".Wizard cannot continue.";
        };
        // Messages built from the range check's wording are kept alive here.
        std::deque<std::string> texts;
        const auto keep = [&texts](std::string text) { return texts.emplace_back(text).c_str(); };

        const std::vector<Refusal> refusals760 = {
            {kEngine760, {}, "You must select an input type to continue."},
            {kEngine760, Join(mpu, {{"engine.count", "0"}, {"engine.cylinders", "4"}}),
             keep(refused("Number of Flywheel Teeth", tooSmall, "1"))},
            {kEngine760, Join(mpu, {{"engine.count", "5"}, {"engine.cylinders", "4"}}),
             "Number of Flywheel Teeth seems too small, Usually > 10.Do you wish to continue "
             "anyway?",
             true},
            {kEngine760, Join(mpu, {{"engine.count", "sixty"}, {"engine.cylinders", "4"}}),
             "Number of Flywheel Teeth must be a number."},
            {kEngine760, Join(mpu, {{"engine.count", "60"}, {"engine.cylinders", "0"}}),
             keep(refused("Number of Cylinders", tooSmall, "1"))},
            {kEngine760, Join(mpu, {{"engine.count", "60"}, {"engine.cylinders", "9"}}),
             "Number of Cylinders seems too large, Usually < 8.Do you wish to continue anyway?",
             true},
            {kEngine760,
             {{"engine.type", "Ignition Sensing"}, {"engine.count", "0.25"}},
             keep(refused("Number of sparks per revolution", tooSmall, "0"))},
            {kRange,
             {{"range.lowest", "-1"}, {"range.highest", "2600"}},
             keep(refused("Low Speed", tooSmall, "0"))},
            {kRange,
             {{"range.lowest", "7OO"}, {"range.highest", "2600"}},
             "Low Speed must be a number."},
            {kRange,
             {{"range.lowest", "700"}, {"range.highest", "700"}},
             keep(refused("High Speed", tooSmall, "701"))},
            {kSpeed,
             {{"speed.count", "No Set Speeds"}},
             "A Speed setup is required if you do not have an Analog mode configured."},
            {kSpeed,
             Join({{"speed.count", "1 Speed"}, {"next", {}}, {"speed.1", "600"}},
                  Ramps("450", "350")),
             keep(refused("Speed 1", tooSmall, "700"))},
            {kSpeed,
             Join({{"speed.count", "2 Speed"},
                   {"next", {}},
                   {"speed.1", "1500"},
                   {"speed.2", "3000"}},
                  Ramps("450", "350")),
             keep(refused("Speed 2", tooLarge, "2600"))},
            {kSpeed,
             Join(Join(variable, {{"speed.1", "700"}, {"speed.2", "1500"}, {"speed.3", "2000"}}),
                  Ramps("450", "350")),
             keep(refused("Min Speed", tooSmall, "701"))},
            {kSpeed,
             Join(Join(variable, {{"speed.1", "900"}, {"speed.2", "2000"}, {"speed.3", "2000"}}),
                  Ramps("450", "350")),
             keep(refused("Default Speed", tooLarge, "1999"))},
            {kSpeed, Join(oneSpeed, Ramps("-5", "350")),
             keep(refused("Ramp Up Rate", tooSmall, "0"))},
            {kSpeed, Join(oneSpeed, Ramps("450", "fast")), "Ramp Down Rate must be a number."},
            {kSpeed, Join(oneSpeed, Ramps("450", "350", "40000")),
             keep(refused("Warmup Time", tooLarge, "32000"))},
            {kSpeed, Join(oneSpeed, Ramps("450", "350", "10", "650")),
             keep(refused("Warmup Speed", tooSmall, "700"))},
            {kAux1, Join(rpmOutput, {{"aux1.rpm", "-1"}}), "Aux RPM must be >= 0"},
            {kAux1, Join(rpmOutput, {{"aux1.rpm", "5000"}}), "Aux RPM seems too high, continue?",
             true},
            {kAux1,
             Join(autocrank, {{"aux1.crank", "-1"}, {"aux1.rest", "10"}, {"aux1.tries", "3"}}),
             "Crank Time must be > 0"},
            {kAux1, Join(autocrank, {{"aux1.crank", "5"}, {"aux1.rest", "x"}, {"aux1.tries", "3"}}),
             "Rest Time must be a number."},
            {kAux1,
             Join(autocrank, {{"aux1.crank", "5"}, {"aux1.rest", "120"}, {"aux1.tries", "3"}}),
             "Rest time seems too high, should be < 90 sec.\nDo you wish to continue?", true},
            {kAux1,
             Join(autocrank, {{"aux1.crank", "5"}, {"aux1.rest", "10"}, {"aux1.tries", "-2"}}),
             "Retry Count must be > 0"},
            {kAux1,
             Join(autocrank, {{"aux1.crank", "5"}, {"aux1.rest", "10"}, {"aux1.tries", "11"}}),
             "Retry Count seems too high, should be < 10 times.\nDo you wish to continue?", true},
            {kAux1, Join(glowplug, {{"aux1.preheat", "2500"}}),
             keep(refused("Glowplug preheat time", tooLarge, "2400"))},
            {kAux1, Join(glowplug, {{"aux1.preheat", "-1"}}),
             keep(refused("Glowplug preheat time", tooSmall, "0"))},
            {kAux2,
             {{"aux2.mode", "Glowplug Mode"}},
             "Only one Aux output can be configured for Glowplug"},
            {kProtect, Join(overspeed, {{"protect.rpm", "0"}}),
             "Overspeed RPM must be greater than 0."},
            {kProtect, Join(overspeed, {{"protect.rpm", "fast"}}),
             "Overspeed RPM must be a number."},
            {kProtect, Join(protectSwitch, {{"protect.delay", "8000"}}),
             "Delay time must be greater that 0 and less that 8000 seconds."},
            {kProtect, Join(protectSwitch, {{"protect.delay", "0"}}),
             "Delay time must be greater that 0 and less that 8000 seconds."},
        };
        const WayOn wayOn760 = {
            {QString::fromLatin1(kEngine760),
             Join(mpu, {{"engine.count", "60"}, {"engine.cylinders", "4"}, {"next", {}}})},
            {QString::fromLatin1(kRange),
             {{"range.lowest", "700"}, {"range.highest", "2600"}, {"next", {}}}},
            {QString::fromLatin1(kAnalog),
             {{"analog.mode", "No analog input required"}, {"next", {}}}},
            {QString::fromLatin1(kSpeed),
             Join(Join(oneSpeed, Ramps("450", "350")), {{"next", {}}})},
            {QString::fromLatin1(kAux1), Join(glowplug, {{"aux1.preheat", "10"}, {"next", {}}})},
            {QString::fromLatin1(kAux2),
             {{"aux2.mode", "No auxiliary output required"}, {"next", {}}}},
        };
        {
            WizardProgram f("ZVX61S01");
            QVERIFY(f.Connect());
            // Uncalibrated only now: the connection's own check would open its wizard.
            f.simulator->execute("uncalibrated on");
            f.program.prompt.shown.clear();
            WizardAtHand wizard(f);
            QVERIFY(wizard.Open());
            QVERIFY(wizard.Do({{"next", {}}}));
            TryRefusals(wizard, f.program.prompt, refusals760, wayOn760);
            if (QTest::currentTestFailed()) return;
            QVERIFY(wizard.Cancel());
        }

        const Entries pickup = {{"engine.type", "Magnetic Pickup (MPU) or Hall Effect"}};
        const std::vector<Refusal> refusals740 = {
            {kEngine740, Join(pickup, {{"engine.teeth", "9"}, {"engine.count", "4"}}),
             "The number of teeth should be at least 10. Are you sure you want to continue?", true},
            {kEngine740, Join(pickup, {{"engine.teeth", "251"}, {"engine.count", "4"}}),
             "The number of teeth should be less than 250. Are you sure you want to continue?",
             true},
            {kEngine740, Join(pickup, {{"engine.teeth", "6O"}, {"engine.count", "4"}}),
             "Number of teeth must be a number."},
            {kEngine740, Join(pickup, {{"engine.teeth", "60"}, {"engine.count", "0"}}),
             "The number of cylinders needs to be at least 1. Setup cannot continue."},
            {kEngine740, Join(pickup, {{"engine.teeth", "60"}, {"engine.count", "9"}}),
             "The number of cylinders should be less than 8. Are you sure you want to continue?",
             true},
            {kEngine740,
             {{"engine.type", "Ignition Sensing or Magneto Input"}, {"engine.count", "0.4"}},
             keep(refused("Number of sparks per revolution", tooSmall, "0"))},
        };
        WizardProgram f("ZVX41R03");
        QVERIFY(f.Connect());
        f.simulator->execute("uncalibrated on");
        WizardAtHand wizard(f);
        QVERIFY(wizard.Open());
        QVERIFY(wizard.Do({{"next", {}}}));
        TryRefusals(wizard, f.program.prompt, refusals740, {});
        if (QTest::currentTestFailed()) return;
        QVERIFY(wizard.Cancel());
    }
    // Cancel on every page of a ZEVAR 760 run from current values, with answers unlike the
    // controller's and a finished analog calibration on the way: the controller's EEPROM is
    // as it was, the analog values the process changed put back, and nothing is posted.
    void cancelOnEveryPageLeavesTheEepromAsItWas() {
        // Each leg takes the wizard from one page (or step) to the next stop.
        const std::vector<std::pair<const char*, Entries>> legs = {
            {"Welcome", {{"next", {}}}},
            {kEngine760,
             {{"engine.type", "Hall Effect Sensor"},
              {"engine.count", "90"},
              {"engine.cylinders", "6"},
              {"next", {}}}},
            {kRange, {{"range.lowest", "650"}, {"range.highest", "2800"}, {"next", {}}}},
            {kAnalog,
             {{"analog.mode", "Pot or analog Control for stationary applications"},
              {"next", {}},
              {"pedal", "0.2"},
              {"pedal", "0.9"}}},
            {kAnalog, {{"next", {}}}},
            {kSpeed, Join({{"speed.count", "2 Speed"},
                           {"next", {}},
                           {"speed.1", "1200"},
                           {"speed.2", "1800"}},
                          Join(Ramps("300", "200"), {{"next", {}}}))},
            {kAux1,
             {{"aux1.mode", "Output on when rpm > AUX_OUTPUT_RPM"},
              {"next", {}},
              {"aux1.rpm", "1900"},
              {"next", {}}}},
            {kAux2, {{"aux2.mode", "Output on when fault exists"}, {"next", {}}}},
            {kProtect,
             {{"protect.overspeed", "Yes, enable overspeed shutdown."},
              {"next", {}},
              {"protect.rpm", "3100"},
              {"next", {}},
              {"protect.switch", "Yes, enable engine protect switch."},
              {"next", {}},
              {"protect.delay", "20"},
              {"next", {}}}},
            {kSummary, {}},
        };
        WizardProgram f("ZVX61S01", {"pedal 0.5"});
        QVERIFY(f.Connect());
        const auto before = Eeprom(f);
        for (size_t stop = 0; stop < legs.size(); ++stop) {
            WizardAtHand wizard(f);
            QVERIFY(wizard.Open());
            for (size_t leg = 0; leg < stop; ++leg) {
                if (leg > 0) QCOMPARE(wizard.heading(), QString::fromLatin1(legs[leg].first));
                QVERIFY2(wizard.Do(legs[leg].second), qPrintable(wizard.failure));
            }
            const QString page = wizard.heading();
            QVERIFY(wizard.Cancel());
            QVERIFY2(wizard.sheet().end() == WizardEnd::Cancelled, qPrintable(page));
            QVERIFY2(Eeprom(f) == before, qPrintable(page));
        }
        QVERIFY(f.posted.empty());
        QVERIFY(f.program.prompt.shown.empty());
    }

    // The controller stops answering, or stops and then the line hangs up, while each of the
    // wizard's requests waits for its reply: each ends the wizard with its own message, except
    // a failed whole write, after which the Summary stays with only Cancel.
    void lineFaultsEndTheWizardWithTheirMessage() {
        enum class During { FaultRead, WholeRead, Process, WholeWrite };
        const char* const names[] = {"fault read", "whole read", "process", "whole write"};
        struct Case {
            bool hangup;
            During during;
        };
        const Case cases[] = {
            {false, During::FaultRead},  {true, During::FaultRead},  {false, During::WholeRead},
            {true, During::WholeRead},   {false, During::Process},   {true, During::Process},
            {false, During::WholeWrite}, {true, During::WholeWrite},
        };
        for (const Case& c : cases) {
            const QByteArray name = QByteArray(c.hangup ? "hangup" : "silent") + " during " +
                                    names[static_cast<int>(c.during)];
            WizardProgram f("ZVX41R03");
            QVERIFY(f.Connect(test::kTestTimeoutTicks));
            f.program.prompt.shown.clear();
            WizardAtHand wizard(f);
            // The way to the request, which is then started without waiting for its outcome.
            if (c.during != During::FaultRead) QVERIFY2(wizard.Open(), name);
            if (c.during == During::Process || c.during == During::WholeWrite) {
                QVERIFY2(wizard.Do({{"next", {}}, {"retain", {}}, {"next", {}}}),
                         qPrintable(wizard.failure));
            }
            if (c.during == During::Process) {
                QVERIFY(
                    wizard.Do({{"analog.mode", "Pot or analog Control for stationary applications"},
                               {"next", {}}}));
                QVERIFY2(wizard.window().processDialog()->isVisible(), name);
            }
            if (c.during == During::WholeWrite) {
                QVERIFY2(wizard.Do(Join({{"analog.mode", "No analog input required"},
                                         {"next", {}},
                                         {"speed.count", "1 Speed"},
                                         {"next", {}},
                                         {"speed.1", "1500"}},
                                        Join(Ramps("450", "350"),
                                             {{"next", {}},
                                              {"aux1.mode", "No auxiliary output required"},
                                              {"next", {}},
                                              {"protect.overspeed", "No overspeed shutdown."},
                                              {"next", {}},
                                              {"protect.switch", "No engine protect switch used."},
                                              {"next", {}}}))),
                         qPrintable(wizard.failure));
                QCOMPARE(wizard.heading(), QString::fromLatin1(kSummary));
            }
            // The failed write's Retry/Cancel question is answered Cancel.
            if (c.during == During::WholeWrite)
                f.program.prompt.answers.push_back(PromptAnswer::Cancel);
            f.simulator->execute("line silent 30");
            if (c.during == During::FaultRead) {
                QVERIFY2(wizard.Start(), name);
            } else if (c.during != During::Process) {
                QTest::mouseClick(wizard.window().nextButton(), Qt::LeftButton);
            }
            if (c.hangup) f.simulator->execute("line hangup");

            if (c.during == During::WholeWrite) {
                // The wizard's own message, no download's advice; Cancel on it returns to the
                // Summary with the answers kept, and the wizard's Cancel then closes it saying
                // what the controller holds.
                QVERIFY2(QTest::qWaitFor([&] { return wizard.window().nextButton()->isEnabled(); },
                                         20000),
                         name);
                QCOMPARE(f.program.prompt.texts().back(), std::string(kWizardWriteFailed));
                QCOMPARE(f.program.prompt.shown.back().buttons, PromptButtons::RetryCancel);
                QCOMPARE(wizard.heading(), QString::fromLatin1(kSummary));
                QVERIFY(wizard.window().backButton()->isEnabled());
                QVERIFY(wizard.sheet().partlyWritten());
                QVERIFY2(wizard.Cancel(), name);
                QCOMPARE(wizard.sheet().end(), WizardEnd::Cancelled);
                QCOMPARE(f.program.prompt.texts().back(), std::string(kWizardWriteUnfinished));
                for (const std::string& text : f.program.prompt.texts())
                    QVERIFY2(text.find("download") == std::string::npos, text.c_str());
                QVERIFY(f.posted.empty());
                continue;
            }
            QVERIFY2(QTest::qWaitFor([&] { return wizard.sheet().ended(); }, 15000), name);
            QVERIFY2(QTest::qWaitFor([&] { return !wizard.window().isVisible(); }, 5000), name);
            QCOMPARE(wizard.sheet().end(), WizardEnd::Failed);
            const auto texts = f.program.prompt.texts();
            QVERIFY2(!texts.empty(), name);
            switch (c.during) {
                case During::FaultRead:
                    QCOMPARE(texts.back(), std::string("Fatal Error. The fault data could not be "
                                                       "read."));
                    break;
                case During::WholeRead:
                    QCOMPARE(texts.back(),
                             std::string("Fatal Error. The Calibration could not be read."));
                    break;
                case During::Process:
                    QVERIFY2(texts.size() >= 2, name);
                    QCOMPARE(texts[texts.size() - 2],
                             std::string("There was an communication error. The Wizard will "
                                         "close."));
                    QCOMPARE(texts.back(), std::string(kAnalogLeftUnfinished));
                    break;
                case During::WholeWrite:
                    break;
            }
            QVERIFY(f.posted.empty());
        }
    }
    // Demonstration mode: a set fatal flag does not stop the wizard, and a pedal read with
    // reversed sense is not judged; the run goes on to Complete and Finish.
    void demoIgnoresTheFatalFlagAndDoesNotJudgeThePedal() {
        ScriptedDemo demo;
        QVERIFY(demo.loaded);
        test::ScriptedPrompt prompt;
        WizardAtHand wizard(
            demo, prompt,
            {[&demo](double position) { demo.pedal = position; }, [] { return false; }});
        QVERIFY(wizard.Open());
        QVERIFY(demo.fatalFlagsAnswered > 0);
        QVERIFY2(wizard.Do({{"next", {}},
                            {"engine.type", "Magnetic Pickup (MPU) or Hall Effect"},
                            {"engine.teeth", "60"},
                            {"engine.count", "4"},
                            {"next", {}},
                            {"range.lowest", "700"},
                            {"range.highest", "2600"},
                            {"next", {}},
                            {"analog.mode", "Pedal Control for Drive-by-Wire Vehicles"},
                            {"next", {}},
                            {"analog.ivs", "No"},
                            {"next", {}},
                            // Reversed sense: high at the minimum, low at the maximum.
                            {"pedal", "1.0"},
                            {"pedal", "0.0"},
                            {"next", {}}}),
                 qPrintable(wizard.failure));
        QCOMPARE(wizard.heading(), QString::fromLatin1(kSpeed));
        QVERIFY2(
            wizard.Do(Join(Join({{"speed.count", "1 Speed"}, {"next", {}}, {"speed.1", "1500"}},
                                Ramps("450", "350")),
                           {{"next", {}},
                            {"aux1.mode", "No auxiliary output required"},
                            {"next", {}},
                            {"protect.overspeed", "No overspeed shutdown."},
                            {"next", {}},
                            {"protect.switch", "No engine protect switch used."},
                            {"next", {}}})),
            qPrintable(wizard.failure));
        const auto rows = wizard.sheet().summaryRows();
        const auto row = [&rows](const char* description) {
            for (const SummaryRow& r : rows) {
                if (r.description == description) return r.selection;
            }
            return std::string("(none)");
        };
        QCOMPARE(row("Min Position ADC"), std::to_string(test::AdcAt(1.0)));
        QCOMPARE(row("Max Position ADC"), std::to_string(test::AdcAt(0.0)));
        QVERIFY(wizard.Do({{"next", {}}}));
        QCOMPARE(wizard.heading(), QStringLiteral("Calibration Wizard has been completed!"));
        QVERIFY(wizard.Do({{"finish", {}}}));
        QCOMPARE(wizard.sheet().end(), WizardEnd::Finished);
        QVERIFY2(prompt.shown.empty(), prompt.shown.empty() ? "" : prompt.shown[0].text.c_str());
    }
    // Cancel after the analog calibration, when the controller no longer answers, or when the
    // line has hung up before Cancel: the analog values cannot be put back, and the person is
    // told so with the restore-error message.
    void failedRestoreOnCancelIsReported() {
        struct Case {
            bool hangup;
            WizardEnd end;
        };
        for (const Case c : {Case{false, WizardEnd::Cancelled}, Case{true, WizardEnd::Failed}}) {
            WizardProgram f("ZVX41R03");
            QVERIFY(f.Connect(test::kTestTimeoutTicks));
            f.program.prompt.shown.clear();
            WizardAtHand wizard(f);
            QVERIFY(wizard.Open());
            QVERIFY2(
                wizard.Do({{"next", {}},
                           {"retain", {}},
                           {"next", {}},
                           {"analog.mode", "Pot or analog Control for stationary applications"},
                           {"next", {}},
                           {"pedal", "0.2"},
                           {"pedal", "0.8"},
                           {"next", {}}}),
                qPrintable(wizard.failure));
            QCOMPARE(wizard.heading(), QString::fromLatin1(kSpeed));
            f.simulator->execute("line silent 30");
            if (c.hangup) {
                f.simulator->execute("line hangup");
                QVERIFY(QTest::qWaitFor([&] { return !f.program.document.IsOpen(); }, 5000));
            }
            QVERIFY(wizard.Cancel());
            QCOMPARE(wizard.sheet().end(), c.end);
            QVERIFY(!f.program.prompt.shown.empty());
            QCOMPARE(f.program.prompt.shown.back().text,
                     std::string("There was an error restoring the original Analog Calibration "
                                 "values. You must run the wizard again or APP_MIN_CAL and "
                                 "APP_RANGE_CAL manually"));
        }
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::WizardWindowFaultsTest)
#include "wizard_window_faults_test.moc"
