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
    const std::string path = "TELQ/ZVR.conf";
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

}  // namespace
}  // namespace zvr::cli
