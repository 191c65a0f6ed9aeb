#include "strategy/strategy_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "definitions/definition_set.h"

namespace zvr {
namespace {

// The smallest strategy that passes: a ZEVAR 210 with its wizard's seven parameters, the
// fault variable, one diagnostic with its history scalar and a view item.
void FillPassing(DefinitionSet& set) {
    set.header.strategyName = "ZVX01B02";
    set.header.modelKind = ClassifyStrategyName(set.header.strategyName);
    uint32_t address = 0x4000;
    for (std::string_view name : RequirementsFor(ModelKind::Zevar210)->requiredParameters) {
        set.scalars.insert(
            {.scaling = {'U', 2, 0}, .eepromAddress = address, .name = std::string(name)});
        address += 2;
    }
    set.scalars.insert({.scaling = {'B', 1, 0}, .eepromAddress = 0x40F0, .name = "EE_FAULTS_1"});
    set.variables.insert({.scaling = {'B', 1, 0}, .ramAddress = 0x120, .name = "fault_flags1"});
    set.variables.insert({.scaling = {'U', 2, 0}, .ramAddress = 0x100, .name = "engine_rpm"});
    set.viewItems.append({.scaling = {'U', 2, 0}, .name = "engine_rpm"});
    set.diagnostics.append(
        {.ramAddress = 0x120, .eepromAddress = 0x4300, .flagCount = 1, .name = "fault_flags1"});
    set.refreshCounts();
}

TEST(StrategyCheck, ASoundStrategyPasses) {
    DefinitionSet set;
    FillPassing(set);
    EXPECT_EQ(CheckStrategy(set), std::vector<std::string>{});
}

// Each rule, caught on a strategy that breaks only that rule.
TEST(StrategyCheck, EachRuleFindsItsFault) {
    struct Case {
        const char* rule;
        std::function<void(DefinitionSet&)> breakIt;
        std::string problem;
        bool countsAsRead = false;  // keep the header counts breakIt set, as a load leaves them
    };
    const std::vector<Case> cases = {
        {"variables named twice in the file",
         [](DefinitionSet& set) { set.header.counts.number_of_variables += 1; },
         "1 variable record(s) repeat an earlier name; the loader keeps only the first of each",
         true},
        {"scalars named twice in the file",
         [](DefinitionSet& set) { set.header.counts.number_of_scalars += 2; },
         "2 scalar record(s) repeat an earlier name; the loader keeps only the first of each",
         true},
        {"a view item listed twice",
         [](DefinitionSet& set) {
             set.viewItems.append({.scaling = {'U', 2, 0}, .name = "engine_rpm"});
         },
         "view item 'engine_rpm' is listed more than once"},
        {"a diagnostic listed twice",
         [](DefinitionSet& set) {
             set.diagnostics.append({.name = "fault_flags1"});
             set.scalars.insert(
                 {.scaling = {'B', 1, 0}, .eepromAddress = 0x40F1, .name = "EE_FAULTS_2"});
         },
         "diagnostic 'fault_flags1' is listed more than once"},
        {"overlapping EEPROM bytes",
         [](DefinitionSet& set) { set.scalars.find("SET_SPEED_MAX")->eepromAddress = 0x4009; },
         "scalars 'SET_SPEED_MIN' and 'SET_SPEED_MAX' overlap in EEPROM at 0x4009"},
        {"a long scalar reaching over its neighbours",
         [](DefinitionSet& set) {
             set.scalars.insert({.scaling = {'U', 2, 0}, .eepromAddress = 0x3FFF, .name = "WIDE"});
         },
         "scalars 'WIDE' and 'PASSWORD' overlap in EEPROM at 0x4000"},
        {"an unknown scaling type",
         [](DefinitionSet& set) { set.variables.find("engine_rpm")->scaling.type = 'u'; },
         "variable 'engine_rpm' has scaling type 'u'; the types are '$', 'B', 'S' and 'U'"},
        {"an unknown size",
         [](DefinitionSet& set) { set.viewItems.entries()[0]->scaling.size = 3; },
         "view item 'engine_rpm' has size 3; the sizes are 1, 2 and 4 bytes"},
        {"a scalar the link cannot write",
         [](DefinitionSet& set) { set.scalars.find("OVERSPEED_PCNT")->scaling.size = 4; },
         "scalar 'OVERSPEED_PCNT' has size 4; the controller link writes only 1 or 2 bytes, so a "
         "whole-calibration write stops at it"},
        {"a view item without its variable",
         [](DefinitionSet& set) {
             set.viewItems.append({.scaling = {'U', 2, 0}, .name = "n_desired"});
         },
         "view item 'n_desired' names no variable"},
        {"more than ten view items",
         [](DefinitionSet& set) {
             for (int i = 0; i < 10; ++i) {
                 const std::string name = "v" + std::to_string(i);
                 set.variables.insert({.scaling = {'U', 2, 0},
                                       .ramAddress = static_cast<uint32_t>(0x200 + 2 * i),
                                       .name = name});
                 set.viewItems.append({.scaling = {'U', 2, 0}, .name = name});
             }
         },
         "11 view items; the Parameter View shows at most 10"},
        {"fewer history scalars than diagnostics",
         [](DefinitionSet& set) { set.diagnostics.append({.name = "fault_flags2"}); },
         "2 diagnostics but 1 EE_FAULTS scalars; Display Faults needs one for each"},
        {"a gap in the history scalars",
         [](DefinitionSet& set) {
             set.scalars.insert(
                 {.scaling = {'B', 1, 0}, .eepromAddress = 0x40F2, .name = "EE_FAULTS_3"});
         },
         "scalar 'EE_FAULTS_3' is never read: EE_FAULTS_2 is missing"},
        {"a missing wizard parameter",
         [](DefinitionSet& set) { set.scalars.remove(set.scalars.find("OVERSPEED_PCNT")); },
         "wizard parameter 'OVERSPEED_PCNT' is missing"},
        {"a missing fault variable",
         [](DefinitionSet& set) { set.variables.remove(set.variables.find("fault_flags1")); },
         "fault variable 'fault_flags1' is missing"},
        {"a strategy name of no model",
         [](DefinitionSet& set) {
             set.header.strategyName = "zvx01B02";
             set.header.modelKind = ClassifyStrategyName(set.header.strategyName);
         },
         "strategy name 'zvx01B02' names no controller model (ZVX5, ZVX, Z99, ZVX0, RRQ, KMS0)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        DefinitionSet set;
        FillPassing(set);
        c.breakIt(set);
        if (!c.countsAsRead) set.refreshCounts();
        EXPECT_EQ(CheckStrategy(set), std::vector<std::string>{c.problem});
    }
}

// The ZEVAR 620 wizard reads fault_flags; the ZEVAR 740 and 880 wizards' analog calibration
// needs its four variables and the 880's stepper page its travel.
TEST(StrategyCheck, EachModelHasItsOwnNeeds) {
    struct Case {
        const char* strategy;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"Z99620G1", {"fault variable 'fault_flags' is missing"}},
        {"ZVX41R03",
         {"wizard variable 'adc_app' is missing", "wizard variable 'app_min' is missing",
          "wizard variable 'app_range' is missing",
          "wizard variable 'switch_f_debounced' is missing"}},
        {"ZVX51A04",
         {"wizard parameter 'STEP_MAX_STEP' is missing", "wizard variable 'adc_app' is missing",
          "wizard variable 'app_min' is missing", "wizard variable 'app_range' is missing",
          "wizard variable 'switch_f_debounced' is missing"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strategy);
        DefinitionSet set;
        set.header.strategyName = c.strategy;
        set.header.modelKind = ClassifyStrategyName(c.strategy);
        const WizardRequirements* needs = RequirementsFor(set.header.modelKind);
        ASSERT_NE(needs, nullptr);
        uint32_t address = 0;
        for (std::string_view name : needs->requiredParameters) {
            set.scalars.insert(
                {.scaling = {'U', 2, 0}, .eepromAddress = address += 2, .name = std::string(name)});
        }
        set.variables.insert({.scaling = {'B', 1, 0}, .name = "fault_flags1"});
        set.refreshCounts();
        EXPECT_EQ(CheckStrategy(set), c.expected);
    }
}

}  // namespace
}  // namespace zvr
