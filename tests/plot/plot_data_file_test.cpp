#include "plot/plot_data_file.h"

#include <gtest/gtest.h>

#include <locale.h>
#include <sys/resource.h>
#include "support/file_size_limit.h"

#include <csignal>

#include <fstream>
#include <iterator>

#include "plot/plot_config.h"
#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"

namespace zvr {
namespace {

using zvr::test::ReadBytes;

using test::ScriptedPrompt;

class PlotDataFileTest : public testing::Test {
protected:
    PlotData Data() {
        return {.gainTexts = {"1.250", "", "0.031"},
                .timeScale = 10,
                .sampleRate = 100,
                .plot1Name = "NO PLOT",
                .plot1Max = "5000",
                .plot1Min = "0",
                .plot2Name = "engine_rpm",
                .plot2Max = "2000.0",
                .plot2Min = "-5",
                .decimals1 = 3,
                .decimals2 = 1,
                .samples1 = &samples1,
                .samples2 = &samples2};
    }

    SampleBuffer samples1{PlotBufferCapacity(10, 100)};
    SampleBuffer samples2{PlotBufferCapacity(10, 100)};
    ScriptedPrompt prompt;
};

TEST_F(PlotDataFileTest, ExactText) {
    samples1.Add(0);
    samples1.Add(1.0 / 3);
    samples2.Add(1500.25);
    samples2.Add(-0.04);
    EXPECT_EQ(FormatPlotData(Data()),
              "1.250\tProportional Gain\r\n"
              "\tIntegral Gain\r\n"
              "0.031\tDerivative Gain\r\n"
              "10\tX Axis Time Scale\r\n"
              "100\tX Axis Sample Rate\r\n"
              "5000\t2000.0\tPlot 1-2 Max\r\n"
              "0\t-5\tPlot 1-2 Min\r\n"
              "time\tNO PLOT\tengine_rpm\tPlot X-1-2 Name\r\n"
              "0.000\t0.000\t1500.2\r\n"
              "0.100\t0.333\t-0.0\r\n"
              "***END OF DATA***\r\n");
}

TEST_F(PlotDataFileTest, SampleLinesWhileBothSeriesHaveOne) {
    for (int i = 0; i < 250; ++i) {
        samples1.Add(i);
        if (i < 200) samples2.Add(i);
    }
    const std::string text = FormatPlotData(Data());
    // 8 heading lines, at most 101 samples (10 s at 100 ms), the end line.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 8 + 101 + 1);
    EXPECT_NE(text.find("10.000\t249.000\t199.0\r\n***END OF DATA***"), std::string::npos);

    samples2.Clear();
    samples2.Add(7);
    const std::string one = FormatPlotData(Data());
    EXPECT_EQ(std::count(one.begin(), one.end(), '\n'), 8 + 1 + 1);
    EXPECT_NE(one.find("\r\n0.000\t149.000\t7.0\r\n"), std::string::npos);
}

// Gain changes go after the end line, at the time of the sample line they came before; those
// older than the oldest sample kept are gone with it.
TEST_F(PlotDataFileTest, GainChangesFollowTheEndLine) {
    GainMarks marks;
    uint64_t taken = 0;
    auto sample = [&] {
        samples1.Add(static_cast<double>(taken));
        samples2.Add(1500);
        ++taken;
    };
    marks.Add(0, {"P", "2.500", "2.750"});  // before the first sample
    for (int i = 0; i < 60; ++i)
        sample();
    marks.Add(taken, {"I", "1.250", "1.375"});
    for (int i = 0; i < 90; ++i)
        sample();
    marks.Add(taken, {"D", "0.1250", "0.1125"});  // after the newest: where the next comes
    marks.Forget(taken, samples1.size());
    EXPECT_EQ(marks.count(), 2u);

    PlotData data = Data();
    data.marks = marks.InBuffers(taken, samples1.size());
    ASSERT_EQ(data.marks.size(), 2u);
    EXPECT_EQ(data.marks[0].index, 11u);  // sample 60 of 150, the buffers from sample 49
    const std::string text = FormatPlotData(data);
    EXPECT_TRUE(
        text.ends_with("\r\n10.000\t149.000\t1500.0\r\n"
                       "***END OF DATA***\r\n"
                       "1.100\tI 1.250 -> 1.375\tGain Change\r\n"
                       "10.100\tD 0.1250 -> 0.1125\tGain Change\r\n"))
        << text.substr(text.size() - 150);
    // Everything before the end line is what it is without gain changes.
    data.marks.clear();
    EXPECT_TRUE(text.starts_with(FormatPlotData(data)));
}

TEST_F(PlotDataFileTest, LongGainTextsAreCut) {
    PlotData data = Data();
    data.gainTexts[0] = std::string(80, '9');
    EXPECT_EQ(FormatPlotData(data).substr(0, 64), std::string(63, '9') + "\t");
}

// A German desktop would write decimal commas through printf.
TEST_F(PlotDataFileTest, DecimalPointsWhateverTheLocale) {
    if (setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
    }
    samples1.Add(0.5);
    samples2.Add(2.5);
    const std::string text = FormatPlotData(Data());
    setlocale(LC_ALL, "C");
    EXPECT_NE(text.find("0.000\t0.500\t2.5\r\n"), std::string::npos);
}

TEST_F(PlotDataFileTest, WritesTheFileOrLeavesTheOldOne) {
    samples1.Add(1);
    samples2.Add(2);
    ASSERT_EQ(WritePlotDataFile(Data(), "plot.txt", prompt), 0);
    EXPECT_EQ(ReadBytes("plot.txt"), FormatPlotData(Data()));
    EXPECT_TRUE(prompt.shown.empty());

    EXPECT_EQ(WritePlotDataFile(Data(), "no/such/folder/plot.txt", prompt), -1);
    ASSERT_EQ(prompt.texts(), std::vector<std::string>{"Could not open file for writing."});
    EXPECT_EQ(prompt.shown.back().icon, PromptIcon::Error);
}

using test::FileSizeLimit;

TEST_F(PlotDataFileTest, AFullDiskKeepsTheOldFile) {
    test::WriteBytes("plot.txt", "earlier plot");
    for (int i = 0; i < 100; ++i) {
        samples1.Add(i);
        samples2.Add(i);
    }
    {
        FileSizeLimit full(64);
        EXPECT_EQ(WritePlotDataFile(Data(), "plot.txt", prompt), -3);
    }
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"Write to file was not successful."});
    EXPECT_EQ(prompt.shown.back().icon, PromptIcon::Error);
    EXPECT_EQ(ReadBytes("plot.txt"), "earlier plot");
}

TEST(PlotDataFile, SaveDialog) {
    const FileChoice choice = PlotDataFileChoice();
    EXPECT_EQ(choice.mode, FileChoiceMode::Save);
    EXPECT_EQ(choice.title, "Select or Create a Text File for the Plot Data");
    EXPECT_EQ(choice.filter, "Text Files (*.txt)|*.txt||");
    EXPECT_EQ(choice.defaultExtension, "*.txt");
}

}  // namespace
}  // namespace zvr
