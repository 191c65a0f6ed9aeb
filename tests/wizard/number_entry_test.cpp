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
        {"rank: B is asked about before A is read",
         {"x", "150", "20"},
         {Yes},
         {"B is large. Go on?", "A must be a number."},
         Icon::Error,
         false},
        {"a refusal of its own, with its icon",
         {"20", "-1", "20"},
         {},
         {"B must not be negative"},
         Icon::Warning,
         false},
        {"No to an own question refuses",
         {"20", "150", "20"},
         {No},
         {"B is large. Go on?"},
         Icon::Question,
         false},
        {"a whole number is cut; C is left out while B is 0",
         {"12.9", "0", ""},
         {},
         {},
         Icon::None,
         true,
         {12, 0}},
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
        {"an own check after the range check passed",
         {"2", "1", "3"},
         {Yes},
         {"A seems too small, Usually > 10.Do you wish to continue anyway?", "C must be above 3"},
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

}  // namespace
}  // namespace zvr::test
