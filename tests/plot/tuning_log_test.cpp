#include "plot/tuning_log.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/scripted_prompt.h"

namespace zvr {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class TuningLogTest : public testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }

    // 2024-05-01 14:03:22 UTC.
    static std::chrono::system_clock::time_point When() {
        return std::chrono::system_clock::from_time_t(1714572202);
    }
    static TuningLogEntry GainWrite() {
        return {.when = When(),
                .unit = "ZEVAR 740",
                .strategy = "ZVX41R03",
                .gains = {"2.750", "1.250", ""}};
    }
    static TuningLogEntry Step() {
        TuningLogEntry entry = GainWrite();
        entry.step = StepFigures{.from = 1800,
                                 .to = 1500,
                                 .overshootPercent = 16.349,
                                 .riseSeconds = 0.41234,
                                 .error = -0.26,
                                 .complete = true};
        entry.valueDecimals = 0;
        return entry;
    }
};

TEST_F(TuningLogTest, Lines) {
    EXPECT_EQ(FormatTuningLogLine(GainWrite()),
              "2024-05-01 14:03:22,ZEVAR 740,ZVX41R03,2.750,1.250,,,,,,");
    EXPECT_EQ(
        FormatTuningLogLine(Step()),
        "2024-05-01 14:03:22,ZEVAR 740,ZVX41R03,2.750,1.250,,-300,16.3,0.412,not settled,-0.3");
    TuningLogEntry odd = GainWrite();
    odd.unit = "ZEVAR 740, \"bay 3\"";
    EXPECT_EQ(FormatTuningLogLine(odd).substr(20, 26), "\"ZEVAR 740, \"\"bay 3\"\"\",ZVX");
}

TEST_F(TuningLogTest, AppendsWithTheHeaderOnceAndReadsBack) {
    const fs::path path = fs::current_path() / "data" / "zvr" / "tuning_log.csv";
    TuningLog log(path.string());
    std::string error;
    ASSERT_TRUE(log.Append(GainWrite(), error)) << error;
    ASSERT_TRUE(log.Append(Step(), error)) << error;
    EXPECT_EQ(Contents(path), std::string(kTuningLogHeader) + "\r\n" +
                                  FormatTuningLogLine(GainWrite()) + "\r\n" +
                                  FormatTuningLogLine(Step()) + "\r\n");
    TuningLogTable table;
    ASSERT_TRUE(ReadTuningLog(path.string(), table, error)) << error;
    EXPECT_EQ(table.header.size(), 11u);
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[1][9], "not settled");
    EXPECT_EQ(table.rows[1][6], "-300");

    // No log yet: an empty table.
    ASSERT_TRUE(ReadTuningLog((fs::current_path() / "none.csv").string(), table, error));
    EXPECT_EQ(table.header.front(), "time");
    EXPECT_TRUE(table.rows.empty());
}

// What is not a tuning log is never written to; a log that cannot be written is said once.
TEST_F(TuningLogTest, RefusedPathsAreLeftAloneAndSaidOnce) {
    fs::create_directories("refused/folder.csv");
    std::ofstream("refused/notes.csv") << "my notes\n";
    std::ofstream("refused/file") << "x";
    struct Case {
        const char* path;
        const char* error;
    };
    const Case cases[] = {
        {"refused/folder.csv", "Is a directory"},
        {"refused/notes.csv", "is not a tuning log of ZVR; it is left alone"},
        {"refused/file/tuning_log.csv", "refused/file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        TuningLog log(c.path);
        std::string error;
        EXPECT_FALSE(log.Append(GainWrite(), error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        test::ScriptedPrompt prompt;
        log.Append(GainWrite(), prompt);
        log.Append(Step(), prompt);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_TRUE(prompt.shown.front().text.starts_with("The tuning log cannot be written ("));
        EXPECT_TRUE(log.failed());
    }
    EXPECT_EQ(Contents("refused/notes.csv"), "my notes\n");
    TuningLogTable table;
    std::string error;
    EXPECT_FALSE(ReadTuningLog("refused/notes.csv", table, error));
    EXPECT_EQ(error, "refused/notes.csv is not a tuning log of ZVR");
}

TEST_F(TuningLogTest, DefaultPathFollowsXdgDataHome) {
    ::setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(DefaultTuningLogPath(), "/srv/data/zvr/tuning_log.csv");
    ::setenv("XDG_DATA_HOME", "relative", 1);  // not absolute: ignored, as the standard says
    ::setenv("HOME", "/home/tech", 1);
    EXPECT_EQ(DefaultTuningLogPath(), "/home/tech/.local/share/zvr/tuning_log.csv");
}

}  // namespace
}  // namespace zvr
