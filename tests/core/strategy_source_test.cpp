#include "strategy/strategy_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <random>

#include "definitions/cal_file.h"
#include "definitions/definition_set.h"
#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"

namespace zvr {
namespace {

// The round-trip property: for a cal file that loads, compiling its decompiled source gives
// exactly the bytes the cal file writer makes of it.
void ExpectRoundTrip(const std::string& fileBytes) {
    test::WriteBytes("original.000", fileBytes);
    DefinitionSet loaded;
    test::ScriptedPrompt prompt;
    ASSERT_EQ(LoadCalFile(loaded, "original.000", prompt), 0);
    const std::string source = WriteStrategySource(loaded);
    DefinitionSet compiled;
    const StrategySourceResult result = ParseStrategySource(source, compiled);
    ASSERT_TRUE(result) << result.error << "\n" << source;
    EXPECT_EQ(test::WrittenBytes(compiled, "compiled.000"), test::WrittenBytes(loaded)) << source;
}

DefinitionSet Compile(std::string_view source) {
    DefinitionSet set;
    const StrategySourceResult result = ParseStrategySource(source, set);
    EXPECT_TRUE(result) << result.error;
    return set;
}

TEST(StrategySourceRoundTrip, SampleWithEveryKindOfRecord) {
    DefinitionSet sample;
    test::FillSample(sample);
    ExpectRoundTrip(test::WrittenBytes(sample));
}

// Files that are odd or damaged but still load: whatever the loader makes of them must
// survive the source form.
TEST(StrategySourceRoundTrip, OddAndDamagedFilesThatStillLoad) {
    struct Case {
        const char* name;
        std::function<void(DefinitionSet&)> edit;
        std::function<void(std::string&)> patch;
    };
    const auto scalar = [](DefinitionSet& set, const char* name) { return set.scalars.find(name); };
    const std::vector<Case> cases = {
        {"unknown type letters",
         [](DefinitionSet& set) {
             set.variables.find("engine_rpm")->scaling.type = 'x';
             set.viewItems.entries()[0]->scaling.type = '\0';
             set.scalars.find("DROOP")->scaling.type = '\xFF';
         }},
        {"sizes outside 1, 2, 4",
         [&](DefinitionSet& set) {
             scalar(set, "DROOP")->scaling.size = 3;
             scalar(set, "PASSWORD")->scaling.size = -1;
             set.variables.find("fault_flags")->scaling.size = 0x7FFF;
         }},
        {"extreme binary points",
         [&](DefinitionSet& set) {
             scalar(set, "SET_SPEED_1")->scaling.binaryPoint = 127;
             scalar(set, "DROOP")->scaling.binaryPoint = -128;
             scalar(set, "DROOP")->fileRaw = 0x7F;
         }},
        {"raw values with bits beyond the size",
         [&](DefinitionSet& set) {
             scalar(set, "DROOP")->fileRaw = 0xFFFF1280;
             scalar(set, "SET_SPEED_1")->maxRaw = 0xFFFFFFFF;
             scalar(set, "SET_SPEED_1")->minRaw = 0x00010000;
         }},
        {"negative values of signed scalars",
         [&](DefinitionSet& set) {
             scalar(set, "DROOP")->fileRaw = 0x80;
             scalar(set, "DROOP")->scaling = {'S', 2, 7};
             scalar(set, "DROOP")->minRaw = 0x8000;
         }},
        {"view items naming no variable, full diagnostics",
         [](DefinitionSet& set) {
             set.viewItems.append({.scaling = {'U', 4, 0}, .position = 200, .name = "ghost"});
             DiagnosticDef full{.flagCount = 32, .name = "all_bits"};
             for (int bit = 0; bit < 32; ++bit)
                 full.bitTexts[bit] = std::string(static_cast<size_t>(bit * 8), 'a' + bit % 26);
             set.diagnostics.append(full);
         }},
        {"a scalar named like the one before it",
         [](DefinitionSet& set) {
             set.scalars.insert({.scaling = {'U', 1, 0}, .eepromAddress = 0x40, .name = "DROOQ"});
         },
         [](std::string& bytes) { bytes[bytes.find("DROOQ") + 4] = 'P'; }},
        {"reserved record bytes that are not 0",
         {},
         [](std::string& bytes) { bytes[bytes.find("DROOP") - 35 + 4] = 0x5A; }},
        {"fewer comments counted than written", {}, [](std::string& bytes) { bytes[29] = 1; }},
        {"bytes after the last comment", {}, [](std::string& bytes) { bytes += "trailing"; }},
        {"every header count zero",
         {},
         [](std::string& bytes) { std::fill(bytes.begin() + 15, bytes.begin() + 31, '\0'); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DefinitionSet set;
        test::FillSample(set);
        if (c.edit) c.edit(set);
        std::string bytes = test::WrittenBytes(set);
        if (c.patch) c.patch(bytes);
        ExpectRoundTrip(bytes);
    }
}

std::string RandomBytes(std::mt19937& random, size_t length) {
    std::string text(length, '\0');
    for (char& c : text)
        c = static_cast<char>(random() & 0xFF);
    return text;
}

ScalingSpec RandomScaling(std::mt19937& random) {
    static constexpr char kTypes[] = {'U', 'S', '$', 'B', 'x', '\0', '\xB5'};
    static constexpr int16_t kSizes[] = {1, 2, 4, 1, 2, 4, 3, 0, -2};
    return {kTypes[random() % std::size(kTypes)], kSizes[random() % std::size(kSizes)],
            static_cast<int8_t>(random() % 3 == 0 ? random() : random() % 16)};
}

// Definitions of random bytes and numbers, written and loaded back so that the set is what
// a file holds; then the property must hold.
TEST(StrategySourceRoundTrip, RandomDefinitions) {
    std::mt19937 random(20240611);
    const auto text = [&] {
        const size_t length = random() % 8 == 0 ? 255 : random() % 24;
        return RandomBytes(random, length);
    };
    for (int round = 0; round < 150; ++round) {
        SCOPED_TRACE(round);
        DefinitionSet set;
        set.header.strategyName = text();
        for (auto& description : set.header.descriptions)
            description = text();
        for (auto& b : set.header.reserved4)
            b = static_cast<uint8_t>(random());
        for (int i = 0, n = static_cast<int>(random() % 6); i < n; ++i) {
            set.variables.insert({.accessLevel = static_cast<uint8_t>(random()),
                                  .scaling = RandomScaling(random),
                                  .ramAddress = static_cast<uint32_t>(random()),
                                  .name = text(),
                                  .units = text()});
            set.scalars.insert({.accessLevel = static_cast<uint8_t>(random()),
                                .scaling = RandomScaling(random),
                                .eepromAddress = static_cast<uint32_t>(random()),
                                .fileRaw = static_cast<uint32_t>(random() >> (random() % 32)),
                                .baseRaw = static_cast<uint32_t>(random() >> (random() % 32)),
                                .maxRaw = static_cast<uint32_t>(random()),
                                .minRaw = static_cast<uint32_t>(random() % 256),
                                .baseValid = static_cast<uint8_t>(random()),
                                .menuGroup = static_cast<uint16_t>(random()),
                                .name = text(),
                                .units = text()});
            set.viewItems.append({.accessLevel = static_cast<uint8_t>(random()),
                                  .listNumber = static_cast<uint8_t>(random()),
                                  .scaling = RandomScaling(random),
                                  .position = static_cast<uint8_t>(random()),
                                  .precision = static_cast<uint8_t>(random()),
                                  .name = text()});
            DiagnosticDef diagnostic{.ramAddress = static_cast<uint32_t>(random()),
                                     .eepromAddress = static_cast<uint32_t>(random()),
                                     .flagCount = static_cast<uint8_t>(random() % 33),
                                     .name = text()};
            for (int bit = 0; bit < diagnostic.flagCount; ++bit)
                diagnostic.bitTexts[bit] = text();
            set.diagnostics.append(diagnostic);
            set.comments.append({.accessLevel = static_cast<uint8_t>(random()), .text = text()});
        }
        ExpectRoundTrip(test::WrittenBytes(set));
    }
}

TEST(StrategySourceText, EveryByteSurvivesAsOneCodePoint) {
    std::string low, high;
    for (int byte = 0x00; byte < 0x80; ++byte)
        low += static_cast<char>(byte);
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        high += static_cast<char>(byte);
    DefinitionSet set;
    set.header.strategyName = "ZVX0\xE9";
    set.header.descriptions[0] = low;
    set.header.descriptions[1] = high;
    set.variables.insert({.scaling = {'U', 2, 0},
                          .name = std::string("n\0x", 3),
                          .units = "\xB0"
                                   "C"});
    set.comments.append({.text = high + low.substr(0, 127)});

    const std::string source = WriteStrategySource(set);
    EXPECT_NE(source.find("\\u0000"), std::string::npos);
    EXPECT_NE(source.find("\xC3\xBF"), std::string::npos);  // 0xFF as U+00FF in UTF-8
    EXPECT_NE(source.find("\"\xC2\xB0"
                          "C\""),
              std::string::npos);

    const DefinitionSet back = Compile(source);
    EXPECT_EQ(back.header.strategyName, set.header.strategyName);
    EXPECT_EQ(back.header.descriptions, set.header.descriptions);
    ASSERT_EQ(back.variables.count(), 1u);
    EXPECT_EQ(back.variables.entries()[0]->name, std::string("n\0x", 3));
    EXPECT_EQ(back.variables.entries()[0]->units,
              "\xB0"
              "C");
    EXPECT_EQ(back.comments.entries()[0]->text, high + low.substr(0, 127));
}

TEST(StrategySourceText, Utf8BeyondLatin1IsRefused) {
    std::string bytes;
    EXPECT_TRUE(Utf8ToLatin1("caf\xC3\xA9", bytes));
    EXPECT_EQ(bytes, "caf\xE9");
    EXPECT_FALSE(Utf8ToLatin1("\xC4\x80", bytes));      // U+0100
    EXPECT_FALSE(Utf8ToLatin1("\xE2\x82\xAC", bytes));  // the euro sign
    EXPECT_FALSE(Utf8ToLatin1("\xC3", bytes));          // cut short
    EXPECT_FALSE(Utf8ToLatin1("\xC3\x41", bytes));      // no continuation byte
}

// The command line's --json output quotes texts the same way.
TEST(StrategySourceText, JsonTextQuotesEscapesAndWidensEachByte) {
    const struct {
        std::string text;
        std::string json;
    } cases[] = {
        {"ZEVAR 740", "\"ZEVAR 740\""},
        {"say \"hi\" \\ bye", "\"say \\\"hi\\\" \\\\ bye\""},
        {std::string("a\0b\x1F", 4), "\"a\\u0000b\\u001f\""},
        {"\xB0"
         "C \xFF",
         "\"\xC2\xB0"
         "C \xC3\xBF\""},
        {"", "\"\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JsonText(c.text), c.json) << c.text;
}

// Values in units: what each text means as a raw value.
TEST(StrategySourceValues, TextsInUnitsGiveRawValues) {
    const DefinitionSet set = Compile(R"({"scalars": [
        {"name": "A", "type": "S", "size": 2, "bp": 7, "ee": "0x10", "value": "-1.5", "min": "-20", "max": "20"},
        {"name": "B", "type": "U", "size": 2, "bp": 4, "ee": 18, "value": "1.5", "max": "4095.9375"},
        {"name": "C", "type": "$", "size": 2, "bp": 0, "ee": "0x14", "value": "$1F", "max": "FFFF"},
        {"name": "D", "type": "B", "size": 1, "bp": 0, "ee": "0x16", "value": "00000101"},
        {"name": "E", "type": "U", "size": 1, "bp": -2, "ee": "0x17", "value": "12", "min": 7},
        {"name": "F", "type": "U", "size": 2, "bp": 15, "ee": "0x18", "value": 65535}
    ]})");
    const std::map<std::string, std::array<uint32_t, 3>> expected = {
        {"A", {0xFF40, 0xF600, 0x0A00}},
        {"B", {24, 0, 0xFFFF}},
        {"C", {0x1F, 0, 0xFFFF}},
        {"D", {5, 0, 0}},
        {"E", {3, 7, 0}},
        {"F", {65535, 0, 0}},
    };
    for (const auto& [name, raws] : expected) {
        const ScalarDef* s = set.scalars.find(name);
        ASSERT_NE(s, nullptr) << name;
        EXPECT_EQ(s->fileRaw, raws[0]) << name;
        EXPECT_EQ(s->minRaw, raws[1]) << name;
        EXPECT_EQ(s->maxRaw, raws[2]) << name;
    }
    EXPECT_EQ(set.scalars.find("B")->eepromAddress, 18u);
}

// Each mistake an author can make is refused with a message that names the record and says
// what is wrong.
TEST(StrategySourceErrors, MistakesAreNamed) {
    const std::string scalar = R"("name": "S", "type": "U", "size": 1, "bp": 0, "ee": "0x10")";
    const std::string longName(256, 'N');
    const std::string flags33 = [] {
        std::string list = "[\"\"";
        for (int i = 1; i < 33; ++i)
            list += ",\"\"";
        return list + "]";
    }();
    struct Case {
        std::string source;
        const char* message;
    };
    const std::vector<Case> cases = {
        {R"({"strategy": "ZVX\u0100"})", "above U+00FF"},
        {R"({"strategy": "ZVX", "scalars": [{)" + scalar + R"(, "vaule": 1}]})",
         "scalar \"S\": unknown field \"vaule\""},
        {R"({"scalars": [{"name": "S", "size": 1, "bp": 0, "ee": 1}]})", "needs \"type\""},
        {R"({"scalars": [{)" + scalar + R"(, "value": "300"}]})", "outside what the scaling"},
        {R"({"scalars": [{"name": "S", "type": "U", "size": 1, "bp": 4, "ee": 1, "value": "1.3"}]})",
         "cannot be held exactly"},
        {R"({"scalars": [{)" + scalar + R"(, "value": "12abc"}]})", "not a decimal number"},
        {R"({"scalars": [{)" + scalar + R"(, "value": -1}]})", "between 0 and 4294967295"},
        {R"({"scalars": [{)" + scalar + R"(, "value": 1.5}]})", "whole number"},
        {R"({"scalars": [{)" + scalar + R"(}, {)" + scalar + R"(}]})", "named twice"},
        {R"({"variables": [{"name": ")" + longName +
             R"(", "type": "U", "size": 2, "bp": 0, "ram": 1}]})",
         "256 bytes long"},
        {R"({"variables": [{"name": "v", "type": "U", "size": 2, "bp": 0, "ram": "0x1G"}]})",
         "hexadecimal digits"},
        {R"({"variables": [{"name": "v", "type": "UU", "size": 2, "bp": 0, "ram": 1}]})",
         "one character"},
        {R"({"variables": [{"name": "v", "type": "U", "size": 2, "bp": 128, "ram": 1}]})",
         "between -128 and 127"},
        {R"({"diagnostics": [{"name": "d", "ram": 1, "ee": 2, "flags": )" + flags33 + "}]}",
         "at most 32"},
        {R"({"scalars": [{"name": "S", "remove": true}]})", "needs a base"},
        {R"({"descriptions": ["1", "2", "3", "4", "5", "6", "7"]})", "at most six"},
        {R"({"reserved4": "00"})", "22 hexadecimal digits"},
        {R"({"base": "family.json"})", "cannot name a base"},
        {R"({"wizard": true})", "unknown field \"wizard\""},
        {"[1, 2]", "must be a JSON object"},
        {"{\n  \"strategy\": \"ZVX\",\n  \"scalars\": [\n}", "line 4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        DefinitionSet set;
        const StrategySourceResult result = ParseStrategySource(c.source, set);
        ASSERT_FALSE(result);
        EXPECT_NE(result.error.find(c.message), std::string::npos) << result.error;
    }
}

// A family base and a strategy that extends it, as the shipped strategies are written.
class StrategySourceBaseTest : public testing::Test {
protected:
    std::map<std::string, std::string> files = {
        {"family.json", R"({
            "strategy": "ZVX00000", "descriptions": ["family", "shared"],
            "variables": [{"name": "engine_rpm", "type": "U", "size": 2, "bp": 0, "ram": "0x100"}],
            "scalars": [
                {"name": "GAIN", "type": "U", "size": 2, "bp": 8, "ee": "0x10", "value": "2.5", "max": "100", "menu": 1},
                {"name": "OLD", "type": "U", "size": 1, "bp": 0, "ee": "0x12"}],
            "viewItems": [
                {"name": "engine_rpm", "type": "U", "size": 2, "bp": 0, "pos": 0},
                {"name": "n_desired", "type": "U", "size": 2, "bp": 0, "pos": 1}],
            "comments": [{"text": "family comment"}]})"},
        {"model.json", R"({
            "base": "family.json", "strategy": "ZVX41R03",
            "scalars": [
                {"name": "GAIN", "value": "3"},
                {"name": "OLD", "remove": true},
                {"name": "NEW", "type": "S", "size": 1, "bp": 0, "ee": "0x20", "value": "-3"}],
            "viewItems": [
                {"name": "engine_rpm", "pos": 5},
                {"name": "fault_flags1", "type": "B", "size": 1, "bp": 0, "pos": 2}],
            "comments": [{"text": "model comment"}]})"},
        {"loop.json", R"({"base": "loop.json"})"},
        {"bad_remove.json",
         R"({"base": "family.json", "scalars": [{"name": "NONE", "remove": true}]})"},
    };

    StrategySourceResult compile(const std::string& name, DefinitionSet& set) {
        BaseSourceLoader loader = [this](const std::string& base, std::string& text) {
            auto at = files.find(base);
            if (at == files.end()) return StrategySourceResult{base + ": cannot be read"};
            text = at->second;
            return StrategySourceResult{};
        };
        return ParseStrategySource(files.at(name), set, loader);
    }
};

TEST_F(StrategySourceBaseTest, ExtendsChangesAndRemovesByName) {
    DefinitionSet set;
    ASSERT_TRUE(compile("model.json", set));
    EXPECT_EQ(set.header.strategyName, "ZVX41R03");
    EXPECT_EQ(set.header.modelKind, ModelKind::Zevar740);
    EXPECT_EQ(set.header.descriptions[1], "shared");

    const ScalarDef* gain = set.scalars.find("GAIN");
    ASSERT_NE(gain, nullptr);
    EXPECT_EQ(gain->fileRaw, 3u * 256);   // changed
    EXPECT_EQ(gain->maxRaw, 100u * 256);  // kept from the base
    EXPECT_EQ(gain->menuGroup, 1);
    EXPECT_EQ(set.scalars.find("OLD"), nullptr);
    ASSERT_NE(set.scalars.find("NEW"), nullptr);
    EXPECT_EQ(set.scalars.find("NEW")->fileRaw, 0xFDu);

    // The changed view item keeps its place; new ones follow the base's.
    ASSERT_EQ(set.viewItems.count(), 3u);
    EXPECT_EQ(set.viewItems.entries()[0]->name, "engine_rpm");
    EXPECT_EQ(set.viewItems.entries()[0]->position, 5);
    EXPECT_EQ(set.viewItems.entries()[2]->name, "fault_flags1");

    ASSERT_EQ(set.comments.count(), 2u);
    EXPECT_EQ(set.comments.entries()[0]->text, "family comment");
    EXPECT_EQ(set.comments.entries()[1]->text, "model comment");
}

TEST_F(StrategySourceBaseTest, BrokenBasesAreRefused) {
    files["missing.json"] = R"({"base": "nowhere.json"})";
    const std::pair<const char*, const char*> cases[] = {
        {"loop.json", "more than eight deep"},
        {"bad_remove.json", "not in the base"},
        {"missing.json", "nowhere.json: cannot be read"},
    };
    for (const auto& [name, message] : cases) {
        DefinitionSet set;
        const StrategySourceResult result = compile(name, set);
        ASSERT_FALSE(result) << name;
        EXPECT_NE(result.error.find(message), std::string::npos) << result.error;
    }
}

// Files name their bases relative to their own folder, at every level.
TEST(StrategySourceFiles, BasesAreFoundBesideTheFileNamingThem) {
    namespace fs = std::filesystem;
    fs::create_directories("sources/base");
    test::WriteBytes("sources/base/root.json",
                     R"({"strategy": "RRQ1", "comments": [{"text": "root"}]})");
    test::WriteBytes("sources/base/family.json",
                     R"({"base": "root.json", "comments": [{"text": "family"}]})");
    test::WriteBytes("sources/model.json",
                     R"({"base": "base/family.json", "comments": [{"text": "model"}]})");
    DefinitionSet set;
    const StrategySourceResult result = ReadStrategySourceFile("sources/model.json", set);
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(set.header.modelKind, ModelKind::Lpn310);
    ASSERT_EQ(set.comments.count(), 3u);
    EXPECT_EQ(set.comments.entries()[2]->text, "model");

    const StrategySourceResult missing = ReadStrategySourceFile("sources/none.json", set);
    EXPECT_EQ(missing.error, "sources/none.json: cannot be read");
}

}  // namespace
}  // namespace zvr
