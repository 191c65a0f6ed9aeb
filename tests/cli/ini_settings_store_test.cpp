// The program's settings file as zvr-cli writes it: the keys the program reads back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ini_settings_store.h"

namespace zvr::cli {
namespace {

std::string Text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(IniSettingsStore, WritesGeneralKeysAsTheProgramKeepsThemAndLeavesTheRest) {
    const std::string path = "TELQ/ZVR.ini";
    std::filesystem::create_directories("TELQ");
    std::ofstream(path) << "[General]\nComPort=/dev/ttyUSB0\nPlot%201%20Name=engine_rpm\n\n"
                           "[Other]\nkept=1\n";
    IniSettingsStore store(path);
    EXPECT_EQ(store.readString("Plot 1 Name"), "engine_rpm");
    EXPECT_EQ(store.readString("ComPort"), "/dev/ttyUSB0");
    EXPECT_FALSE(store.readString("Plot 2 Name"));
    ASSERT_EQ(store.writeString("Plot 2 Min", "500"), 0);
    ASSERT_EQ(store.writeNumber("Plot X Scale", 20), 0);
    ASSERT_EQ(store.writeString("Note", "a, b"), 0);
    EXPECT_EQ(Text(path),
              "[General]\nComPort=/dev/ttyUSB0\nNote=\"a, b\"\nPlot%201%20Name=engine_rpm\n"
              "Plot%202%20Min=500\nPlot%20X%20Scale=20\n\n[Other]\nkept=1\n");
    IniSettingsStore again(path);
    EXPECT_EQ(again.readNumber("Plot X Scale"), 20);
    EXPECT_EQ(again.readString("Note"), "a, b");
}

// Values as QSettings reads them from a file a person may have edited: blanks, quotes,
// escapes, comments, lists and the '@' forms.
TEST(IniSettingsStore, ReadsValuesAsTheProgramReadsThem) {
    struct Case {
        const char* line;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {"A = spaced value  ", "spaced value"},
        {"A=\"quoted, comma\"", "quoted, comma"},
        {"A=a, b", std::nullopt},  // a list, not a string
        {"A=\\x41\\x42", "AB"},
        {"A=caf\\xe9", "caf\xE9"},
        {"A=caf\xC3\xA9 \xE2\x82\xAC", "caf\xE9 ?"},  // UTF-8; the euro is beyond Latin-1
        {"A=@@x", "@x"},
        {"A=@Invalid()", std::nullopt},
        {"A=1 ; a comment", "1"},
        {"A=x\\\ny", "xy"},
        {"A=\"a\" \"b\"", "ab"},
        {"A='single'", "'single'"},
        {"A=\"\"", std::nullopt},  // empty
    };
    for (const Case& c : cases) {
        std::filesystem::create_directories("TELQ");
        std::ofstream("TELQ/ZVR.ini") << "[General]\n" << c.line << "\nB=after\n";
        IniSettingsStore store("TELQ/ZVR.ini");
        EXPECT_EQ(store.readString("A"), c.value) << c.line;
        EXPECT_EQ(store.readString("B"), "after") << c.line;
    }
    std::ofstream("TELQ/ZVR.ini") << "[General]\nN1= 42 \nN2=+7\nN3=0x10\nN4=99999999999\n";
    IniSettingsStore numbers("TELQ/ZVR.ini");
    EXPECT_EQ(numbers.readNumber("N1"), 42);
    EXPECT_EQ(numbers.readNumber("N2"), 7);
    EXPECT_EQ(numbers.readNumber("N3"), std::nullopt);
    EXPECT_EQ(numbers.readNumber("N4"), std::nullopt);
}

}  // namespace
}  // namespace zvr::cli
