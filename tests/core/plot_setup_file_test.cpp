#include "setupdoc/plot_setup_file.h"

#include <gtest/gtest.h>
#include <locale.h>

#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"

namespace zvr {
namespace {

using test::ScriptedPrompt;

PlotSetup Tuned() {
    return {.plot1Name = "engine_rpm",
            .plot1Max = "2000",
            .plot1Min = "-5.5",
            .plot2Name = "fuel_demand",
            .plot2Max = "1e2",
            .plot2Min = "0",
            .timeScale = 30,
            .sampleRate = 250,
            .verticalDivisions = 7,
            .horizontalDivisions = 5,
            .reference = PlotReference::Plot2,
            .settlingBand = "2.5"};
}

class PlotSetupFileTest : public testing::Test {
protected:
    void SetUp() override {
        variables.insert({.name = "engine_rpm"});
        variables.insert({.name = "fuel_demand"});
    }

    // Opens a file of the given elements after the empty setup document.
    int open(const std::string& elements, PlotSetup& setup) {
        test::WriteBytes("plot.zpf", "<?xml version=1.0?><ZVR VER=1.0/>" + elements);
        return OpenPlotSetupFile("plot.zpf", variables, kPlotDivisionLimit, setup, prompt);
    }

    SortedTable<VariableDef> variables;
    ScriptedPrompt prompt;
};

// The step-response settings come last, in an element of their own: a reader that knows only
// the first four finds them where they always were.
TEST_F(PlotSetupFileTest, SavesTheElementsInOrder) {
    ASSERT_EQ(SavePlotSetupFile(Tuned(), "plot.zpf", prompt), 0);
    EXPECT_EQ(test::ReadBytes("plot.zpf"),
              "  <?xml version=\"1.0\"?>\r\n"
              "  <ZVR VER=\"1.0\">\r\n"
              "  </ZVR>\r\n"
              "  <PLOT1 PARAMETER=\"engine_rpm\" MAX=\"2000\" MIN=\"-5.5\">\r\n"
              "  </PLOT1>\r\n"
              "  <PLOT2 PARAMETER=\"fuel_demand\" MAX=\"1e2\" MIN=\"0\">\r\n"
              "  </PLOT2>\r\n"
              "  <XAXIS XTIMESCALE=\"30\" SAMPLERATE=\"250\">\r\n"
              "  </XAXIS>\r\n"
              "  <GRID NUMHORZ=\"5\" NUMVERT=\"7\">\r\n"
              "  </GRID>\r\n"
              "  <STEP REFERENCE=\"PLOT2\" BAND=\"2.5\">\r\n"
              "  </STEP>\r\n");
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(PlotSetupFileTest, SaveThenOpenGivesTheSameSetup) {
    for (const PlotSetup& saved : {Tuned(), PlotSetup{}}) {
        ASSERT_EQ(SavePlotSetupFile(saved, "plot.zpf", prompt), 0);
        PlotSetup loaded{.plot1Name = "fuel_demand", .timeScale = 1, .verticalDivisions = 0};
        ASSERT_EQ(OpenPlotSetupFile("plot.zpf", variables, kPlotDivisionLimit, loaded, prompt), 0);
        EXPECT_EQ(loaded, saved);
    }
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(PlotSetupFileTest, OpenRefusesInOrderAndKeepsTheSetup) {
    const std::string plot1 = "<PLOT1 PARAMETER=\"engine_rpm\" MAX=\"1\" MIN=\"0\"/>";
    const std::string plot2 = "<PLOT2 PARAMETER=\"NO PLOT\"/>";
    const std::string xAxis = "<XAXIS XTIMESCALE=\"5\" SAMPLERATE=\"60\"/>";
    struct Case {
        std::string elements;
        const char* text;
    };
    const Case cases[] = {
        {"", "Invalid Plot File. No Plot 1 tag."},
        {"<X><PLOT1 PARAMETER=\"engine_rpm\"/></X>" + plot2 + xAxis,
         "Invalid Plot File. No Plot 1 tag."},
        {"<PLOT1 PARAMETER=\"oil_temp\"/>" + plot2 + xAxis,
         "Incompatiable Plot File. Plot 1 parameter not in list."},
        {"<PLOT1 PARAMETER=\"ENGINE_RPM\"/>" + plot2 + xAxis,
         "Incompatiable Plot File. Plot 1 parameter not in list."},
        {"<PLOT1 MAX=\"1\"/>" + plot2 + xAxis,
         "Incompatiable Plot File. Plot 1 parameter not in list."},
        {plot1 + xAxis, "Invalid Plot File. No Plot 2 tag."},
        {plot1 + "<PLOT2 PARAMETER=\"oil_temp\"/>",
         "Incompatiable Plot File. Plot 2 parameter not in list."},
        {plot1 + plot2, "Invalid Plot File. No X Axis tag."},
        {plot1 + plot2 + "<XAXIS SAMPLERATE=\"60\"/>", "Invalid Plot File. No  XAxis Time Scale."},
        {plot1 + plot2 + "<XAXIS XTIMESCALE=\"5\"/>", "Invalid Plot File. No X Axis Sample Rate."},
    };
    for (const Case& c : cases) {
        ScriptedPrompt casePrompt;
        PlotSetup setup = Tuned();
        test::WriteBytes("plot.zpf", c.elements);
        EXPECT_EQ(OpenPlotSetupFile("plot.zpf", variables, kPlotDivisionLimit, setup, casePrompt),
                  -2)
            << c.elements;
        ASSERT_EQ(casePrompt.shown.size(), 1u) << c.elements;
        EXPECT_EQ(casePrompt.shown[0].text, c.text);
        EXPECT_EQ(casePrompt.shown[0].icon, PromptIcon::Error);
        EXPECT_EQ(setup, Tuned()) << c.elements;
    }
}

TEST_F(PlotSetupFileTest, OpenTakesAbsentLimitsAsEmptyAndLeavesNumbersToOk) {
    PlotSetup setup = Tuned();
    ASSERT_EQ(open("<PLOT1 PARAMETER=\"NO PLOT\"/><PLOT2 PARAMETER=\"engine_rpm\" MIN=\"-1\"/>"
                   "<XAXIS XTIMESCALE=\"0\" SAMPLERATE=\"10 ms\"/>",
                   setup),
              0);
    PlotSetup expected = Tuned();
    expected.plot1Name = "NO PLOT";
    expected.plot1Max = expected.plot1Min = expected.plot2Max = "";
    expected.plot2Name = "engine_rpm";
    expected.plot2Min = "-1";
    expected.timeScale = 0;
    expected.sampleRate = 10;
    EXPECT_EQ(setup, expected);
    EXPECT_TRUE(prompt.shown.empty());
}

// A count outside 0 to the division limit selects 4; an absent one keeps the current count.
TEST_F(PlotSetupFileTest, OpenTakesTheGridCountsThatAreThere) {
    struct Case {
        std::string grid;
        int horizontal;
        int vertical;
    };
    const Case cases[] = {
        {"", 5, 7},
        {"<GRID/>", 5, 7},
        {"<GRID NUMHORZ=\"0\" NUMVERT=\"30\"/>", 0, 30},
        {"<GRID NUMHORZ=\"31\" NUMVERT=\"-1\"/>", 4, 4},
        {"<GRID NUMVERT=\"12\"/>", 5, 12},
        {"<GRID NUMHORZ=\"abc\"/>", 0, 7},
    };
    const std::string rest =
        "<PLOT1 PARAMETER=\"NO PLOT\"/><PLOT2 PARAMETER=\"NO PLOT\"/>"
        "<XAXIS XTIMESCALE=\"5\" SAMPLERATE=\"60\"/>";
    for (const Case& c : cases) {
        PlotSetup setup = Tuned();
        ASSERT_EQ(open(rest + c.grid, setup), 0) << c.grid;
        EXPECT_EQ(setup.horizontalDivisions, c.horizontal) << c.grid;
        EXPECT_EQ(setup.verticalDivisions, c.vertical) << c.grid;
    }
}

// A file written before the step settings keeps the dialog's; what the file has is taken, an
// unknown reference as automatic, the band as text for OK to check.
TEST_F(PlotSetupFileTest, OpenTakesTheStepValuesThatAreThere) {
    struct Case {
        std::string step;
        PlotReference reference;
        std::string band;
    };
    const Case cases[] = {
        {"", PlotReference::Plot2, "2.5"},
        {"<STEP/>", PlotReference::Plot2, "2.5"},
        {"<STEP REFERENCE=\"PLOT1\" BAND=\"5\"/>", PlotReference::Plot1, "5"},
        {"<STEP REFERENCE=\"NONE\"/>", PlotReference::None, "2.5"},
        {"<STEP REFERENCE=\"PLOT3\" BAND=\"abc\"/>", PlotReference::Automatic, "abc"},
    };
    const std::string rest =
        "<PLOT1 PARAMETER=\"NO PLOT\"/><PLOT2 PARAMETER=\"NO PLOT\"/>"
        "<XAXIS XTIMESCALE=\"5\" SAMPLERATE=\"60\"/><GRID NUMHORZ=\"1\"/>";
    for (const Case& c : cases) {
        PlotSetup setup = Tuned();
        ASSERT_EQ(open(rest + c.step, setup), 0) << c.step;
        EXPECT_EQ(setup.reference, c.reference) << c.step;
        EXPECT_EQ(setup.settlingBand, c.band) << c.step;
        EXPECT_EQ(setup.horizontalDivisions, 1) << c.step;
    }
}

TEST(PlotSetupCheck, RefusesTheFirstBadValue) {
    struct Case {
        const char* what;
        PlotSetup setup;
        const char* text;  // null when accepted
    };
    auto with = [](auto change) {
        PlotSetup setup = Tuned();
        change(setup);
        return setup;
    };
    const Case cases[] = {
        {"tuned", Tuned(), nullptr},
        {"the smallest time scale and rate",
         with([](PlotSetup& s) { s.timeScale = 1, s.sampleRate = 50; }), nullptr},
        {"time scale 0", with([](PlotSetup& s) { s.timeScale = 0; }),
         "Time Scale must be greater than or equal to 1"},
        {"time scale first", with([](PlotSetup& s) { s.timeScale = 0, s.sampleRate = 0; }),
         "Time Scale must be greater than or equal to 1"},
        {"rate 49", with([](PlotSetup& s) { s.sampleRate = 49; }),
         "Sample Rate must be greater than 50"},
        {"equal limits", with([](PlotSetup& s) { s.plot1Max = "-5.50"; }),
         "Axis Min must be less than Max"},
        {"plot 2 reversed", with([](PlotSetup& s) { s.plot2Max = "-1"; }),
         "Axis Min must be less than Max"},
        {"limits of NO PLOT unchecked",
         with([](PlotSetup& s) { s.plot2Name = kNoPlot, s.plot2Max = s.plot2Min = ""; }), nullptr},
        {"the widest band", with([](PlotSetup& s) { s.settlingBand = "50"; }), nullptr},
        {"a narrow band", with([](PlotSetup& s) { s.settlingBand = "0.1"; }), nullptr},
        {"band 0", with([](PlotSetup& s) { s.settlingBand = "0"; }),
         "Settling Band must be more than 0 and at most 50 %"},
        {"band 50.5", with([](PlotSetup& s) { s.settlingBand = "50.5"; }),
         "Settling Band must be more than 0 and at most 50 %"},
        {"band not a number", with([](PlotSetup& s) { s.settlingBand = "2%"; }),
         "Settling Band must be more than 0 and at most 50 %"},
        {"limits before the band",
         with([](PlotSetup& s) { s.settlingBand = "", s.plot1Max = "-6"; }),
         "Axis Min must be less than Max"},
    };
    for (const Case& c : cases) {
        ScriptedPrompt prompt;
        EXPECT_EQ(CheckPlotSetup(c.setup, prompt), c.text == nullptr) << c.what;
        if (c.text != nullptr) {
            ASSERT_EQ(prompt.shown.size(), 1u) << c.what;
            EXPECT_EQ(prompt.shown[0].text, c.text);
            EXPECT_EQ(prompt.shown[0].icon, PromptIcon::Error);
        } else {
            EXPECT_TRUE(prompt.shown.empty()) << c.what;
        }
    }
}

// A German desktop writes decimal commas; the limits typed with points must still compare.
TEST(PlotSetupCheck, ReadsLimitsWhateverTheLocale) {
    if (setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
    }
    PlotSetup setup{.plot1Name = "engine_rpm", .plot1Max = "0.5", .plot1Min = "0.25"};
    ScriptedPrompt prompt;
    EXPECT_TRUE(CheckPlotSetup(setup, prompt));
    setlocale(LC_ALL, "C");
}

TEST(PlotSetupFile, DefaultsAndDialogs) {
    const PlotSetup fresh;
    EXPECT_EQ(fresh.plot1Name, "NO PLOT");
    EXPECT_EQ(fresh.plot2Name, "NO PLOT");
    EXPECT_EQ(fresh.timeScale, 10);
    EXPECT_EQ(fresh.sampleRate, 100);
    const FileChoice save = PlotSetupFileChoice(FileChoiceMode::Save);
    EXPECT_EQ(save.title, "Choose or create a file to save the plot setup to.");
    EXPECT_EQ(save.filter, "ZVR Plot Setup Files (*.zpf)|*.zpf||");
    EXPECT_EQ(save.defaultExtension, "*.zpf");
    EXPECT_EQ(PlotSetupFileChoice(FileChoiceMode::Open).title,
              "Choose a file to open the plot setup info.");
}

}  // namespace
}  // namespace zvr
