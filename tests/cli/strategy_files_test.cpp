// The fourteen strategy files the build makes: each must be fit for every screen and wizard
// of its model, and must survive the source form.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "definitions/cal_file.h"
#include "definitions/definition_set.h"
#include "families/family_registry.h"
#include "strategy/strategy_check.h"
#include "strategy/strategy_source.h"
#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"

namespace zvr {
namespace {

using zvr::test::ReadBytes;

enum class Layout { Zevar620, Others, Demo };

struct StrategyFile {
    const char* file;
    ModelKind model;
    const char* strategyName;
    Layout layout;
    int groups;  // entries of the model's Change Calibration filter before "All Parameters"
    std::vector<std::string> extraScalars;  // optional scalars that switch wizard pages on
};

const std::vector<std::string> k760Extras = {
    "SPEED_TYPE",      "AUXILIARY_OUTPUT_2_MODE", "AUX_OUTPUT_2_RPM", "GLOWPLUG_TIME",
    "BRAKE_UP_RATE",   "BRAKE_DOWN_RATE",         "SET_SPEED_MIN_1",  "SET_SPEED_MIN_2",
    "SET_SPEED_MIN_3", "SET_SPEED_MAX_1",         "SET_SPEED_MAX_2",  "SET_SPEED_MAX_3"};

const StrategyFile kFiles[] = {
    {"Z99620G1.000", ModelKind::Zevar620, "Z99620G1", Layout::Zevar620, 6, {"PULSES_PER_SAMPLE"}},
    {"ZVX41R03.000", ModelKind::Zevar740, "ZVX41R03", Layout::Others, 6, {}},
    {"ZVX61S01.000", ModelKind::Zevar740, "ZVX61S01", Layout::Others, 6, k760Extras},
    {"ZVX51A04.000",
     ModelKind::Zevar880,
     "ZVX51A04",
     Layout::Others,
     6,
     {"SPEED_TYPE", "STEP_MAX_STEP"}},
    {"ZVX01B02.000", ModelKind::Zevar210, "ZVX01B02", Layout::Others, 6, {}},
    {"RRQ31E05.000", ModelKind::Lpn310, "RRQ31E05", Layout::Others, 6, {"PULSES_PER_SAMPLE"}},
    {"KMS01K01.000", ModelKind::Kms2, "KMS01K01", Layout::Others, 5, {}},
    {"DEMO620.000", ModelKind::Zevar620, "Z99620G1", Layout::Demo, 6, {"PULSES_PER_SAMPLE"}},
    {"DEMO740.000", ModelKind::Zevar740, "ZVX41R03", Layout::Demo, 6, {}},
    {"DEMO760.000", ModelKind::Zevar740, "ZVX61S01", Layout::Demo, 6, k760Extras},
    {"DEMO880.000",
     ModelKind::Zevar880,
     "ZVX51A04",
     Layout::Demo,
     6,
     {"SPEED_TYPE", "STEP_MAX_STEP"}},
    {"DEMO210.000", ModelKind::Zevar210, "ZVX01B02", Layout::Demo, 6, {}},
    {"DEMO310.000", ModelKind::Lpn310, "RRQ31E05", Layout::Demo, 6, {"PULSES_PER_SAMPLE"}},
    {"DEMOKMS2.000", ModelKind::Kms2, "KMS01K01", Layout::Demo, 5, {}},
};

// Test names and failure messages show the file, not the bytes of the record.
void PrintTo(const StrategyFile& file, std::ostream* out) { *out << file.file; }

bool IsGovernor(ModelKind model) { return model != ModelKind::Lpn310 && model != ModelKind::Kms2; }

// The model a layout '1' identification reply gives for a strategy file name.
std::string IdentifiedModel(const std::string& fileName) {
    if (fileName.starts_with("KMS0")) return "KMS-2";
    if (fileName.starts_with("ZVX5")) return "ZEVAR 880";
    if (fileName.starts_with("ZVX0")) return "ZEVAR 210";
    if (fileName.starts_with("ZVX")) return "ZEVAR 740";
    return "LPN 310";
}

const std::map<ModelKind, std::string> kModelNames = {
    {ModelKind::Zevar620, "ZEVAR 620"}, {ModelKind::Zevar740, "ZEVAR 740"},
    {ModelKind::Lpn310, "LPN 310"},     {ModelKind::Zevar880, "ZEVAR 880"},
    {ModelKind::Zevar210, "ZEVAR 210"}, {ModelKind::Kms2, "KMS-2"},
};

class StrategyFileTest : public testing::TestWithParam<StrategyFile> {
protected:
    void SetUp() override {
        path = std::string(ZVR_STRATEGY_DIR) + "/" + GetParam().file;
        ASSERT_EQ(LoadCalFile(set, path, prompt), 0) << path;
    }

    std::string path;
    DefinitionSet set;
    test::ScriptedPrompt prompt;
};

TEST_P(StrategyFileTest, CompilingItsSourceAgainGivesTheSameBytes) {
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(test::WrittenBytes(set, "rewritten.000"), bytes);
    DefinitionSet compiled;
    const StrategySourceResult result = ParseStrategySource(WriteStrategySource(set), compiled);
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(test::WrittenBytes(compiled, "compiled.000"), bytes);
}

TEST_P(StrategyFileTest, NamesItsModelAsTheControllerDoes) {
    const StrategyFile& file = GetParam();
    EXPECT_EQ(set.header.strategyName, file.strategyName);
    EXPECT_EQ(set.header.modelKind, file.model);
    const std::string name = file.file;
    switch (file.layout) {
        case Layout::Zevar620:
            // byte 7, the two digits of byte 2, bytes 8, 9, 3, 4, 5: twelve characters.
            EXPECT_EQ(name.size(), 12u);
            EXPECT_TRUE(name.starts_with("Z99"));
            break;
        case Layout::Others:
            // bytes 2..7 with '1' at byte 6, two digits of the revision: twelve characters.
            ASSERT_EQ(name.size(), 12u);
            EXPECT_EQ(name[4], '1');
            EXPECT_TRUE(isdigit(name[6]) && isdigit(name[7])) << name;
            EXPECT_EQ(IdentifiedModel(name), kModelNames.at(file.model));
            break;
        case Layout::Demo:
            EXPECT_TRUE(name.starts_with("DEMO"));
            break;
    }
    EXPECT_EQ(name.substr(name.size() - 4), ".000");
}

TEST_P(StrategyFileTest, PassesTheStrategyCheck) {
    EXPECT_EQ(CheckStrategy(set), std::vector<std::string>{});
}

TEST_P(StrategyFileTest, HoldsWhatTheScreensAndWizardsUse) {
    const StrategyFile& file = GetParam();
    std::vector<std::string> scalars = {"PASSWORD", "E2BOOT", "EEPROM_ITEGRITY", "EE_FAULTS_1"};
    scalars.insert(scalars.end(), file.extraScalars.begin(), file.extraScalars.end());
    std::vector<std::string> variables = {"engine_rpm", "battery_volts"};
    if (IsGovernor(file.model)) {
        scalars.insert(scalars.end(), {"PROPORTIONAL_GAIN", "INTEGRAL_GAIN", "DERIVATIVE_GAIN"});
        variables.insert(variables.end(), {"n_desired", "act_duty"});
    }
    for (const std::string& name : scalars)
        EXPECT_NE(set.scalars.find(name), nullptr) << name;
    for (const std::string& name : variables)
        EXPECT_NE(set.variables.find(name), nullptr) << name;

    // Every Change Calibration group of the model lists something.
    std::set<int> groups;
    for (const auto& s : set.scalars.entries())
        groups.insert(s->menuGroup);
    for (int group = 1; group <= file.groups; ++group)
        EXPECT_TRUE(groups.contains(group)) << "group " << group;

    // Each diagnostic is a fault-flag byte the program reads as a 1-byte variable, with a
    // text for each flag the Display Faults screen can show.
    for (const auto& d : set.diagnostics.entries()) {
        const auto& variables = set.variables.entries();
        EXPECT_TRUE(std::any_of(variables.begin(), variables.end(), [&](const auto& v) {
            return v->ramAddress == d->ramAddress && v->scaling.size == 1;
        })) << d->name;
        EXPECT_GE(d->flagCount, 2);
        EXPECT_LE(d->flagCount, 8);
        for (int bit = 0; bit < d->flagCount; ++bit)
            EXPECT_FALSE(d->bitTexts[bit].empty()) << d->name << " bit " << bit;
    }
    EXPECT_GE(set.comments.count(), 2u);
    EXPECT_GE(set.viewItems.count(), 5u);
}

TEST_P(StrategyFileTest, ScalingIsVariedAndValuesLieWithinTheirLimits) {
    std::set<char> types;
    std::set<int> sizes, binaryPoints;
    int longValues = 0;
    const auto note = [&](ScalingSpec scaling) {
        types.insert(scaling.type);
        sizes.insert(scaling.size);
        binaryPoints.insert(scaling.binaryPoint);
        longValues += scaling.size == 4;
    };
    for (const auto& v : set.variables.entries())
        note(v->scaling);
    for (const auto& s : set.scalars.entries()) {
        note(s->scaling);
        EXPECT_NE(s->scaling.size, 4) << s->name << ": a scalar the link cannot write";
        if (s->scaling.type == 'S' || s->scaling.type == 'U') {
            const double value = RawToEng(s->fileRaw, s->scaling);
            EXPECT_LE(RawToEng(s->minRaw, s->scaling), value) << s->name;
            EXPECT_LE(value, RawToEng(s->maxRaw, s->scaling)) << s->name;
        } else {
            EXPECT_LE(s->minRaw, s->fileRaw) << s->name;
            EXPECT_LE(s->fileRaw, s->maxRaw) << s->name;
        }
    }
    EXPECT_EQ(types, (std::set<char>{'$', 'B', 'S', 'U'}));
    EXPECT_TRUE(sizes.contains(1) && sizes.contains(2));
    EXPECT_GE(binaryPoints.size(), 4u);
    EXPECT_GE(longValues, 1);
    EXPECT_LE(longValues, 2);
}

// RAM and EEPROM are separate ranges and no two items share a byte, so the simulator can keep
// one memory image.
TEST_P(StrategyFileTest, AddressesNeitherOverlapNorMix) {
    using Span = std::pair<uint32_t, uint32_t>;  // first byte, one past the last
    std::map<Span, std::string> ram, eeprom;
    for (const auto& v : set.variables.entries())
        ram[{v->ramAddress, v->ramAddress + v->scaling.size}] = v->name;
    for (const auto& s : set.scalars.entries())
        eeprom[{s->eepromAddress, s->eepromAddress + s->scaling.size}] = s->name;
    for (const auto& d : set.diagnostics.entries())
        eeprom[{d->eepromAddress, d->eepromAddress + 1}] = d->name + " (stored flags)";
    for (const auto* map : {&ram, &eeprom}) {
        for (auto at = map->begin(); std::next(at) != map->end(); ++at) {
            EXPECT_LE(at->first.second, std::next(at)->first.first)
                << at->second << " overlaps " << std::next(at)->second;
        }
    }
    EXPECT_LT(ram.rbegin()->first.second, eeprom.begin()->first.first);
}

INSTANTIATE_TEST_SUITE_P(Shipped, StrategyFileTest, testing::ValuesIn(kFiles),
                         [](const testing::TestParamInfo<StrategyFile>& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.'));
                         });

TEST(StrategyFiles, AllFourteenAreBuilt) {
    size_t built = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ZVR_STRATEGY_DIR))
        built += entry.path().extension() == ".000";
    EXPECT_EQ(built, std::size(kFiles));
}

// Each family of the registry ships its demo strategy, and the strategy its help pages are
// written from; both belong to the family (a model without strategies of its own, the ZEVAR
// 760, to the family its strategies run as).
TEST(StrategyFiles, EveryFamilyShipsItsDemoAndHelpStrategies) {
    for (const ControllerModel& model : ControllerModels()) {
        SCOPED_TRACE(model.demoKey);
        ASSERT_NE(model.helpStrategy, nullptr);
        const ControllerModel* family =
            model.kind != ModelKind::Unknown ? &model : ModelForStrategyName(model.helpStrategy);
        ASSERT_NE(family, nullptr);
        for (const std::string& base :
             {std::string(model.demoKey), std::string(model.helpStrategy)}) {
            DefinitionSet set;
            test::ScriptedPrompt prompt;
            ASSERT_EQ(LoadCalFile(set, std::string(ZVR_STRATEGY_DIR) + "/" + base + ".000", prompt),
                      0)
                << base;
            EXPECT_EQ(set.header.strategyName, model.helpStrategy) << base;
            EXPECT_EQ(set.header.modelKind, family->kind) << base;
        }
    }
}

}  // namespace
}  // namespace zvr
