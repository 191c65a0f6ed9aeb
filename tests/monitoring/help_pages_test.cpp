// Help contexts of Change Calibration and the pages written for them.
#include "help/help_pages.h"

#include <gtest/gtest.h>

#include "monitoring/help_topics.h"

namespace zvr {
namespace {

TEST(HelpTopicsTest, ContextsByFirstPositionInTheTable) {
    struct Case {
        const char* name;
        int context;
    };
    const Case cases[] = {
        {"ACT_FDBK_KFILT", 4096},
        {"MASTER_GAIN", 4096 + 82},  // listed twice: the first place
                                     // counts
        {"N_ERR_DBND", 4096 + 84},
        {"WARMUP_TIME", 4096 + 181},
        {"master_gain", 98317},
        {"", 98317},
        {"NO_SUCH_SCALAR", 98317},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HelpContextFor(c.name), c.context) << c.name;
    EXPECT_EQ(ScalarHelpTopics()[83], std::string_view("MASTER_GAIN"));
}

TEST(HelpTopicsTest, PagesOfContexts) {
    EXPECT_EQ(HelpPageFor(4096), "ACT_FDBK_KFILT.html");
    EXPECT_EQ(HelpPageFor(4096 + 83), "MASTER_GAIN.html");
    EXPECT_EQ(HelpPageFor(98317), "change_calibration.html");
    EXPECT_EQ(HelpPageFor(4096 + 182), "index.html");
}

TEST(HelpPagesTest, AScalarPageSaysWhatTheStrategiesSay) {
    DefinitionSet zevar;
    zevar.header.strategyName = "ZVX41R03";
    zevar.scalars.insert({.scaling = {'U', 2, 8},
                          .eepromAddress = 0x4010,
                          .fileRaw = 640,
                          .maxRaw = 25600,
                          .menuGroup = 1,
                          .name = "PROPORTIONAL_GAIN"});
    zevar.scalars.insert({.scaling = {'S', 1, 0},
                          .menuGroup = 4,
                          .name = "STEP_MODE",
                          .units = "\xB0"
                                   "C"});
    DefinitionSet lpn;
    lpn.header.strategyName = "RRQ31E05";
    const HelpSource sources[] = {{"ZEVAR 740", &zevar}, {"LPN 310", &lpn}};

    const std::string gain = ScalarHelpPage("PROPORTIONAL_GAIN", sources);
    EXPECT_NE(gain.find("The proportional gain"), std::string::npos);
    EXPECT_NE(gain.find("ZEVAR 740 (ZVX41R03)"), std::string::npos);
    EXPECT_NE(gain.find("Governor Gain Calibration"), std::string::npos);
    EXPECT_NE(gain.find("0.000 to 255.996"), std::string::npos);
    EXPECT_NE(gain.find("0.000 to 100.000"), std::string::npos);
    EXPECT_EQ(gain.find("LPN 310"), std::string::npos);

    // No meaning is guessed for a name that does not state it.
    const std::string step = ScalarHelpPage("STEP_MODE", sources);
    EXPECT_EQ(step.find("<p>What the strategies say"), step.find("<p>"));
    EXPECT_NE(step.find("&#176;C"), std::string::npos);
    EXPECT_NE(step.find("Engine Start Calibration"), std::string::npos);

    EXPECT_NE(ScalarHelpPage("VS_K", sources).find("None of the strategies"), std::string::npos);
    EXPECT_EQ(PlainMeaning("SET_SPEED_3"), "Engine set speed 3.");
    EXPECT_EQ(PlainMeaning("SET_SPEED_TRIM"), "");
}

TEST(HelpPagesTest, ContentsListEachTopicOnce) {
    DefinitionSet set;
    const HelpSource sources[] = {{"ZEVAR 740", &set}};
    const std::string contents = HelpContentsPage(sources);
    size_t count = 0;
    for (size_t at = contents.find("MASTER_GAIN.html"); at != std::string::npos;
         at = contents.find("MASTER_GAIN.html", at + 1))
        ++count;
    EXPECT_EQ(count, 1u);
    EXPECT_NE(contents.find("change_calibration.html"), std::string::npos);
}

}  // namespace
}  // namespace zvr
