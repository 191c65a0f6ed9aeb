#include "definitions/text_report.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <fstream>

#include "definitions/definition_set.h"
#include "support/sample_definitions.h"

namespace zvr {
namespace {

std::string Pad(const std::string& text, size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

const std::string kStars = "********************************************\r\n";

std::string Section(const std::string& title) { return kStars + title + "\r\n" + kStars; }

// One record of each kind, small enough to spell out its report by hand.
void FillSmall(DefinitionSet& set) {
    set.header.strategyName = "ZVX123";
    set.header.descriptions = {"Base", "", "", "", "", "x"};
    set.variables.insert({.accessLevel = 1,
                          .scaling = {'U', 2, 0},
                          .ramAddress = 0x120,
                          .name = "engine_rpm",
                          .units = "rpm"});
    set.scalars.insert({.accessLevel = 2,
                        .scaling = {'U', 2, 4},
                        .eepromAddress = 0x10,
                        .fileRaw = 24,
                        .baseRaw = 16,
                        .maxRaw = 0xFFFF,
                        .minRaw = 0,
                        .baseValid = 1,
                        .menuGroup = 3,
                        .name = "SET_SPEED_1",
                        .units = "rpm"});
    set.viewItems.append({.accessLevel = 1,
                          .listNumber = 0,
                          .scaling = {'U', 2, 0},
                          .position = 0,
                          .precision = 0,
                          .name = "engine_rpm"});
    DiagnosticDef faults{.accessLevel = 0,
                         .ramAddress = 0x200,
                         .eepromAddress = 0x300,
                         .flagCount = 2,
                         .bitTexts = {},
                         .name = "EE_FAULTS_1"};
    faults.bitTexts[0] = "Overspeed";
    faults.bitTexts[2] = "not a flag: beyond the count";
    set.diagnostics.append(faults);
    set.comments.append({.accessLevel = 7, .text = "hello"});
}

class TextReportTest : public testing::Test {
protected:
    std::string report(bool full, std::optional<std::string_view> leading = std::nullopt) {
        test::WriteBytes("report.txt", "");
        EXPECT_EQ(writeTextReport(set, "report.txt", leading, full), 0);
        return test::ReadBytes("report.txt");
    }

    DefinitionSet set;
};

TEST_F(TextReportTest, FullReportByteForByte) {
    FillSmall(set);
    const std::string expected =
        "Converted\r\n" + Section("File Header Information") +
        "Name='ZVX123'\r\n"
        "Description 0 = 'Base'\r\n"
        "Description 1 = ''\r\n"
        "Description 2 = ''\r\n"
        "Description 3 = ''\r\n"
        "Description 4 = ''\r\n"
        "Description 5 = 'x'\r\n" +
        Pad("number_of_variables", 30) + "1\r\n" + Pad("number_of_scalars", 30) + "1\r\n" +
        Pad("number_of_view_items", 30) + "1\r\n" + Pad("number_of_functions", 30) + "0\r\n" +
        Pad("number_of_tables", 30) + "0\r\n" + Pad("number_of_diagnostics", 30) + "1\r\n" +
        Pad("number_of_eol_programs", 30) + "0\r\n" + Pad("number_of_comments", 30) + "1\r\n" +
        Section("Variable List") + Pad("NAME", 30) + "   AL  Type Size BPnt   ADDR UNITS\r\n" +
        Pad("engine_rpm", 30) + "   1    U    2    0   0x0120 rpm\r\n" + Section("Comments") +
        "   AL COMMENT:\r\n"
        "    7 hello\r\n" +
        Section("Scalar List") + Pad("NAME", 25) +
        "  TYPE  SIZE   BPt      ADDR     UNITS   FileCal   BaseCal"
        "   MAX Val   MIN Val  Base Valid      Menu\r\n" +
        Pad("SET_SPEED_1", 25) +
        "     U     2     4    0x0010       rpm    0x0018    0x0010"
        "    0xFFFF    0x0000           1         3\r\n" +
        Section("View Items") + Pad("NAME", 30) +
        "   AL  Type  Size  BpPt  View Num   Precision  View Pos\r\n" + Pad("engine_rpm", 30) +
        "    1     U     2     0         0           0         0\r\n" +
        Section("Diagnostic Items") + Pad("NAME", 30) +
        "        AL  Ram Addr   EE Addr Num Flags\r\n" + Pad("EE_FAULTS_1", 30) +
        "         0    0x0200    0x0300         2\r\n"
        "Bit0  ='Overspeed'\r\n"
        "Bit1  =''\r\n"
        "***END OF FILE***";
    EXPECT_EQ(report(true, "Converted\r\n"), expected);
}

TEST_F(TextReportTest, ShortReportWithoutCommentsShowsEngineeringValues) {
    FillSmall(set);
    set.comments.clear();
    set.scalars.insert({.scaling = {'S', 2, 8}, .fileRaw = 0xFF80, .name = "TRIM", .units = ""});
    const std::string expected = "Controller ZEVAR 740\r\n" + Section("Comments") +
                                 "   AL COMMENT:\r\n" + Section("Scalar List") + Pad("NAME", 25) +
                                 "     VALUE     UNITS\r\n" + Pad("SET_SPEED_1", 25) +
                                 "      1.50       rpm\r\n" + Pad("TRIM", 25) +
                                 "    -0.500          \r\n"
                                 "***END OF FILE***";
    EXPECT_EQ(report(false, "Controller ZEVAR 740\r\n"), expected);
}

TEST_F(TextReportTest, CalibrationFileHeaderShowsZeroCountsAndIsAppended) {
    set.scalars.insert({.scaling = {'U', 1, 0}, .fileRaw = 1, .name = "A", .units = ""});
    test::WriteBytes("report.txt", "");
    ASSERT_EQ(writeTextReport(set, "report.txt", std::nullopt, true), 0);
    ASSERT_EQ(writeTextReport(set, "report.txt", std::nullopt, false), 0);
    const std::string text = test::ReadBytes("report.txt");
    EXPECT_NE(text.find(Pad("number_of_variables", 30) + "0\r\n"), std::string::npos);
    EXPECT_NE(text.find(Pad("number_of_scalars", 30) + "1\r\n"), std::string::npos);
    EXPECT_EQ(text.find(Section("File Header Information")), 0u);
    EXPECT_NE(text.find("***END OF FILE***" + Section("Comments")), std::string::npos);
}

TEST_F(TextReportTest, UnwritablePathsGiveMinusOne) {
    FillSmall(set);
    EXPECT_EQ(writeTextReport(set, "no/such/folder/report.txt", std::nullopt, true), -1);
    if (std::ifstream("/dev/full")) {
        EXPECT_EQ(writeTextReport(set, "/dev/full", std::nullopt, true), -1);
    }
}

// A technician's desktop may run in German; the report's numbers must not follow it.
TEST_F(TextReportTest, SameBytesUnderAGermanLocale) {
    test::FillSample(set);
    const std::string inC = report(false) + report(true);
    if (setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
    }
    const std::string inGerman = report(false) + report(true);
    setlocale(LC_ALL, "C");
    EXPECT_EQ(inGerman, inC);
    EXPECT_NE(inC.find("1.50"), std::string::npos);
}

}  // namespace
}  // namespace zvr
