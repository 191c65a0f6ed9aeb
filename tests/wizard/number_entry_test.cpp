// The governor pages' number entries: parsing, their own checks, the range check with limits
// named at check time, the order of the checks and the entries that are left out.

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "calibration/cal_transfer.h"
#include "comm/data_server.h"
#include "strategy/strategy_check.h"
#include "support/scripted_prompt.h"
#include "wizard/governor_fields.h"
#include "wizard/number_entry.h"
#include "wizard/wizard_fixture.h"
#include "wizard/wizard_pump.h"

namespace zvr::test {
namespace {

using enum EntryTest;

// A sheet that is never started: an entry needs only its prompt and its range check.
class BareSheet : public WizardSheet {
public:
    using WizardSheet::WizardSheet;

protected:
    std::vector<std::unique_ptr<WizardPage>> BuildPages() override { return {}; }
    const WizardRequirements& requirements() const override {
        return *RequirementsFor(ModelKind::Zevar740);
    }
    std::vector<SummaryRow> Rows() override { return {}; }
    void WriteAnswers() override {}
    bool completeShowsOptions() const override { return false; }
    std::pair<double, double> plotRange() const override { return {0, 0}; }
    std::array<std::string, 2> completeTexts() const override { return {}; }
};

constexpr EntryCheck kBChecks[] = {
    RefuseIf(Below, 0, "B must not be negative", PromptIcon::Warning),
    AskIf(Above, 100, "B is large. Go on?"),
};
constexpr EntryCheck kCChecks[] = {
    {.test = AtMost, .limit = 3, .text = "C must be above 3", .afterRange = true},
};

// Listed as on the page; checked B, then A, then C (only with B above 0), C's lowest value
// one above A's and A's highest named by the page.
constexpr NumberEntry kEntries[] = {
    {.key = "a",
     .name = "A",
     .range = {Fixed(10), kNoLimit, Fixed(0), Named("top")},
     .checkRank = 2},
    {.key = "b", .name = "B", .whole = false, .checks = kBChecks, .checkRank = 1},
    {.key = "c",
     .name = "C",
     .range = {kNoLimit, kNoLimit, Named("a", 1), kNoLimit},
     .checks = kCChecks,
     .checkRank = 3,
     .onlyWhen = "b"},
};

struct EntryCase {
    const char* what;
    std::array<const char*, 3> typed;  // A, B, C
    std::vector<PromptAnswer> answers;
    std::vector<std::string> shown;
    PromptIcon icon;  // of the last message shown
    bool passes;
    std::array<double, 2> values;  // A and B when passed
};

class NumberEntryTest : public testing::Test {
protected:
    NumberEntryTest() {
        transfer_ =
            std::make_unique<CalTransfer>(link_, pump_.transferReceiver(), prompt_, progress_);
        sheet_ = std::make_unique<BareSheet>(
            "entries", "",
            WizardLinks{link_, pump_.sheetReceiver(), *transfer_, prompt_, presenter_});
        AddEntries(form_, "t.", kEntries, true);
    }

    CDataServer link_{"number-entry-log.txt"};
    WizardPump pump_;
    ScriptedPrompt prompt_;
    RecordingPresenter presenter_;
    NoProgress progress_;
    std::unique_ptr<CalTransfer> transfer_;
    std::unique_ptr<BareSheet> sheet_;
    WizardForm form_;
};

TEST_F(NumberEntryTest, ChecksInRankOrderWithNamedLimitsAndStopsAtTheFirstRefusal) {
    using enum PromptAnswer;
    using Icon = PromptIcon;
    const EntryCase cases[] = {
        {"every refusal before any question: A is read before B is asked about",
         {"x", "150", "20"},
         {Yes},
         {"A must be a number."},
         Icon::Error,
         false},
        {"rank: B is asked about before A's doubt",
         {"5", "150", "20"},
         {Yes, No},
         {"B is large. Go on?", "A seems too small, Usually > 10.Do you wish to continue anyway?"},
         Icon::Question,
         false},
        {"a refusal of its own, with its icon",
         {"20", "-1", "20"},
         {},
         {"B must not be negative"},
         Icon::Warning,
         false},
        {"No to an own question refuses",
         {"20", "150", "30"},
         {No},
         {"B is large. Go on?"},
         Icon::Question,
         false},
        {"a whole number with a fraction is refused, not cut",
         {"12.9", "0", ""},
         {},
         {"A must be a whole number."},
         Icon::Error,
         false},
        {"C is left out while B is 0", {"12", "0", ""}, {}, {}, Icon::None, true, {12, 0}},
        {"a limit the page names",
         {"60", "1", "70"},
         {},
         {"A is too large, Value must be < 50.Wizard cannot continue."},
         Icon::Error,
         false},
        {"No to the range check's doubt refuses",
         {"5", "1", "20"},
         {No},
         {"A seems too small, Usually > 10.Do you wish to continue anyway?"},
         Icon::Question,
         false},
        {"a limit named after an earlier entry; the range check before the own check",
         {"12", "1", "2"},
         {},
         {"C is too small, Value must be  > 13.Wizard cannot continue."},
         Icon::Error,
         false},
        {"an own refusal after the range check comes before A's doubt is asked",
         {"2", "1", "3"},
         {Yes},
         {"C must be above 3"},
         Icon::Error,
         false},
        {"all accepted", {"20", "1.5", "30"}, {}, {}, Icon::None, true, {20, 1.5}},
    };
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.what);
        prompt_.shown.clear();
        prompt_.answers.assign(c.answers.begin(), c.answers.end());
        for (size_t i = 0; i < 3; ++i)
            form_.at(std::string("t.") + kEntries[i].key).text = c.typed[i];
        EntryValues values{{"top", 50}};
        EXPECT_EQ(CheckEntries(*sheet_, form_, "t.", kEntries, values), c.passes);
        EXPECT_EQ(prompt_.texts(), c.shown);
        if (!c.passes) {
            ASSERT_FALSE(prompt_.shown.empty());
            EXPECT_EQ(prompt_.shown.back().icon, c.icon);
            continue;
        }
        EXPECT_EQ(values.at("a"), c.values[0]);
        EXPECT_EQ(values.at("b"), c.values[1]);
        EXPECT_EQ(values.has("c"), c.values[1] > 0);
    }
}

// The families' own entries on their own strategies: a value, or a value worked out from it,
// that its scalar cannot hold (the size's bits, the scalar's own minimum and maximum) is
// refused with a message that names it and the limit, before any question is asked; so is a
// whole count typed with a fraction.
class EntryFitTest : public testing::Test {
protected:
    struct Case {
        const char* what;
        const char* strategy;
        std::span<const NumberEntry> entries;
        std::vector<std::pair<const char*, const char*>> typed;  // key, text
        std::vector<std::string> shown;                          // every message, in order
        bool passes;
    };

    // The entries' answers on a sheet loaded with the strategy; questions are answered Yes.
    void Try(const Case& c) {
        SCOPED_TRACE(c.what);
        ScriptedPrompt prompt;
        CalTransfer transfer(link_, pump_.transferReceiver(), prompt, progress_);
        BareSheet sheet("fit", std::string(ZVR_STRATEGY_DIR) + "/" + c.strategy + ".000",
                        WizardLinks{link_, pump_.sheetReceiver(), transfer, prompt, presenter_});
        ASSERT_TRUE(sheet.Prepare());
        WizardForm form;
        AddEntries(form, "f.", c.entries, true);
        for (const auto& [key, text] : c.typed)
            form.at(std::string("f.") + key).text = text;
        EntryValues values{{"lowest", 700}};
        EXPECT_EQ(CheckEntries(sheet, form, "f.", c.entries, values), c.passes);
        EXPECT_EQ(prompt.texts(), c.shown);
    }

    CDataServer link_{"entry-fit-log.txt"};
    WizardPump pump_;
    RecordingPresenter presenter_;
    NoProgress progress_;
};

TEST_F(EntryFitTest, ValuesTheirScalarsCannotHoldAreRefusedOnThePage) {
    const NumberEntry* travel = &StepperTravel();
    const NumberEntry* trim = &AnalogTrim();
    const Case cases[] = {
        {"ZEVAR 210: teeth beyond PULSES_PER_REV, not wrapped, and not asked about first",
         "ZVX01B02",
         Zevar210EngineEntries(),
         {{"teeth", "5000"}, {"cylinders", "6"}},
         {"Number of teeth 5000 is too large for PULSES_PER_REV: it takes at most 4095.9375."},
         false},
        {"ZEVAR 210: pulses per update above that scalar's own maximum",
         "ZVX01B02",
         Zevar210EngineEntries(),
         {{"teeth", "3000"}, {"cylinders", "2"}},
         {"Pulses per update 3000 is too large for PULSES_PER_UPDATE: it takes at most 1000."},
         false},
        {"ZEVAR 210: a good engine; the teeth are asked about",
         "ZVX01B02",
         Zevar210EngineEntries(),
         {{"teeth", "260"}, {"cylinders", "6"}},
         {"The number of teeth should be less than 250. Are you sure you want to continue?"},
         true},
        {"ZEVAR 740: teeth beyond PULSES_PER_REV",
         "ZVX41R03",
         PickupEntries(),
         {{"teeth", "70000"}, {"count", "6"}},
         {"Number of teeth 70000 is too large for PULSES_PER_REV: it takes at most 4095.9375."},
         false},
        {"ZEVAR 740: the highest speed beyond SET_SPEED_MAX, before its doubt is asked",
         "ZVX41R03",
         SpeedRangeEntries(),
         {{"lowest", "700"}, {"highest", "70000"}},
         {"High Speed 70000 is too large for SET_SPEED_MAX: it takes at most 65535."},
         false},
        {"ZEVAR 740: a trim beyond SET_SPEED_TRIM",
         "ZVX41R03",
         std::span(trim, 1),
         {{"trim", "90000"}},
         {"Trim RPM 90000 is too large for SET_SPEED_TRIM: it takes at most 65535."},
         false},
        {"ZEVAR 760: teeth at the hard limit still beyond PULSES_PER_REV",
         "ZVX61S01",
         FlywheelEntries(),
         {{"count", "32000"}, {"cylinders", "4"}},
         {"Number of Flywheel Teeth 32000 is too large for PULSES_PER_REV: it takes at most "
          "4095.9375."},
         false},
        {"ZEVAR 620: half the spark count beyond PULSES_PER_REV",
         "Z99620G1",
         HalvedSparkEntries(),
         {{"count", "100000"}},
         {"Pulses per revolution 50000 is too large for PULSES_PER_REV: it takes at most "
          "4095.9375."},
         false},
        {"ZEVAR 880: sparks with a fraction are refused, not cut",
         "ZVX51A04",
         WholeSparkEntries(),
         {{"count", "2.5"}},
         {"Number of sparks per revolution must be a whole number."},
         false},
        {"ZEVAR 880: travel under 2 degrees is refused without the doubt asked first",
         "ZVX51A04",
         std::span(travel, 1),
         {{"degrees", "1"}},
         {"Degrees of Travel must be at least 2: the stepper motor moves 1.8 degrees per step."},
         false},
        {"ZEVAR 880: a small travel that fits is asked about",
         "ZVX51A04",
         std::span(travel, 1),
         {{"degrees", "5"}},
         {"Degrees of Travel seems too small, Usually > 10.Do you wish to continue anyway?"},
         true},
    };
    for (const Case& c : cases)
        Try(c);
}

}  // namespace
}  // namespace zvr::test
