#include "plot/response_recording.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/csv.h"

namespace zvr {
namespace {

// A recording of engine_rpm following n_desired from 1500 to 1800 at 0.5 s, sampled every
// 100 ms; a first-order lag with an error left of 10 rpm. `header` and the separator of each
// row are given.
std::string Recording(const std::string& header, int rows = 30) {
    std::string text = header + "\r\n";
    for (int i = 0; i < rows; ++i) {
        const double t = i * 0.1;
        const bool stepped = i >= 5;
        const int rpm = stepped ? 1500 + std::lround(290 * (1 - std::exp(-(t - 0.5) / 0.2))) : 1500;
        text += std::to_string(i / 10) + "." + std::to_string(i % 10) + "00," +
                std::to_string(rpm) + "," + (stepped ? "1800" : "1500") + ",12.5\r\n";
    }
    return text;
}

TEST(ResponseRecording, HeadingsWithAndWithoutUnits) {
    struct Case {
        const char* heading;
        RecordingColumn column;
    };
    const Case cases[] = {
        {"engine_rpm [rpm]", {"engine_rpm", "rpm"}},
        {"engine_rpm", {"engine_rpm", ""}},
        {"time [s]", {"time", "s"}},
        {"act_duty [%]", {"act_duty", "%"}},
        {"odd [x] name", {"odd [x] name", ""}},
        {"n [rpm] [1/min]", {"n [rpm]", "1/min"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseRecordingHeading(c.heading), c.column) << c.heading;
        if (!c.column.units.empty() || c.column.name.find('[') == std::string::npos) {
            EXPECT_EQ(RecordingHeading(c.column), c.heading);
        }
    }
    // A heading with a comma stays one field.
    EXPECT_EQ(SplitCsvLine("time [s]," + RecordingHeading({"flow", "l/h, cold"}) + ",x"),
              (std::vector<std::string>{"time [s]", "flow [l/h, cold]", "x"}));
}

// Both header forms, and the columns chosen by name or by default, give the same step.
TEST(ResponseRecording, ColumnsByNameOrDefault) {
    struct Case {
        std::string header;
        RecordingChoice choice;
    };
    const Case cases[] = {
        {"time [s],engine_rpm [rpm],n_desired [rpm],battery_volts [V]", {}},
        {"time,engine_rpm,n_desired,battery_volts", {}},
        {"time,engine_rpm,n_desired,battery_volts", {"n_desired", "engine_rpm"}},
        {"time [s],engine_rpm [rpm],n_desired [rpm],battery_volts [V]",
         {std::nullopt, "engine_rpm"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        RecordingSteps result;
        std::string error;
        ASSERT_TRUE(MeasureRecording(Recording(c.header), c.choice, 2, result, error)) << error;
        EXPECT_EQ(result.reference.name, "n_desired");
        EXPECT_EQ(result.response.name, "engine_rpm");
        ASSERT_EQ(result.steps.size(), 1u);
        const StepFigures& step = result.steps.front();
        EXPECT_DOUBLE_EQ(step.time, 0.5);
        EXPECT_EQ(step.from, 1500);
        EXPECT_EQ(step.to, 1800);
        EXPECT_EQ(step.overshootPercent, 0);
        EXPECT_TRUE(step.settlingSeconds);
        EXPECT_NEAR(step.error, 10, 0.5);
        EXPECT_FALSE(result.lastLineCut);
    }
}

TEST(ResponseRecording, RefusedRecordings) {
    const std::string good = Recording("time,engine_rpm,n_desired,battery_volts", 8);
    struct Case {
        const char* name;
        std::string text;
        RecordingChoice choice;
        std::string error;
    };
    const Case cases[] = {
        {"empty", "", {}, "the file is empty"},
        {"not a recording", "a,b\r\n1,2\r\n", {}, "line 1: not a recording of zvr-cli monitor"},
        {"no set point", "time,engine_rpm,act_duty\r\n0.0,1,2\r\n", {}, "no column is named"},
        {"missing column", good, {"n_desired", "oil_temp"}, "the recording has no column oil_temp"},
        {"one column twice", good, {"n_desired", "n_desired"}, "the same column"},
        {"only the reference", "time,n_desired\r\n0.0,1500\r\n", {}, "no column besides"},
        {"a value that is no number",
         good + "0.8,1x,1800,12\r\n",
         {},
         "line 10: engine_rpm '1x' is no number"},
        {"a row too short", good + "0.8,1800\r\n", {}, "line 10: 2 fields where the header has 4"},
        {"a time that is no number",
         good + "later,1800,1800,12\r\n",
         {},
         "line 10: the time 'later' is no number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSteps result;
        std::string error;
        EXPECT_FALSE(MeasureRecording(c.text, c.choice, 2, result, error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

// A gap row (the link was lost) ends the step being measured; a last line cut off while it was
// written is left out and said; an empty line is passed over.
TEST(ResponseRecording, GapsAndACutLastLine) {
    std::string text = Recording("time [s],engine_rpm [rpm],n_desired [rpm],x", 12);
    text += "1.200,,,\r\n\r\n";  // the link lost
    text += "2.000,1800,1800,12.5\r\n2.100,1800,1800,12.5\r\n2.200,18";
    RecordingSteps result;
    std::string error;
    ASSERT_TRUE(MeasureRecording(text, {}, 2, result, error)) << error;
    ASSERT_EQ(result.steps.size(), 1u);
    EXPECT_NEAR(result.steps.front().seconds, 0.6, 1e-9);  // 0.5 to 1.1, then the gap
    EXPECT_TRUE(result.lastLineCut);
    // The same bytes with the line complete are a fault in the file.
    EXPECT_FALSE(MeasureRecording(text + "\r\n", {}, 2, result, error));
    EXPECT_EQ(error, "line 18: 2 fields where the header has 4");
}

// A recording cut off while its last row was written: whatever is left of that row is left
// out and said, even where it still reads as numbers. A row that lacks only its LF is whole.
TEST(ResponseRecording, ARowCutShortIsLeftOut) {
    std::string whole = Recording("time [s],engine_rpm [rpm],n_desired [rpm]");
    for (size_t at; (at = whole.find(",12.5")) != std::string::npos;)
        whole.erase(at, 5);
    RecordingSteps expected;
    std::string error;
    ASSERT_TRUE(MeasureRecording(whole, {}, 2, expected, error)) << error;
    ASSERT_EQ(expected.steps.size(), 1u);
    struct Case {
        const char* tail;
        bool cut;
        double seconds;  // of the step's figures
    };
    const Case cases[] = {
        {"3.000,1790,18", true, 2.4},  // n_desired 1800 cut to 18
        {"3.000,1790,", true, 2.4},   {"3.000,17", true, 2.4},
        {"3.0", true, 2.4},           {"3.000,1790,1800\r", false, 2.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail);
        RecordingSteps result;
        ASSERT_TRUE(MeasureRecording(whole + c.tail, {}, 2, result, error)) << error;
        EXPECT_EQ(result.lastLineCut, c.cut);
        ASSERT_EQ(result.steps.size(), 1u);
        EXPECT_NEAR(result.steps.front().seconds, c.seconds, 1e-9);
        EXPECT_NEAR(result.steps.front().error, expected.steps.front().error, 0.5);
        EXPECT_EQ(result.steps.front().settlingSeconds, expected.steps.front().settlingSeconds);
    }
}

}  // namespace
}  // namespace zvr
