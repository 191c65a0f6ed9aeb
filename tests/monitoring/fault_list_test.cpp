// Current faults from flag bytes, the fault history and the clear commands.
#include "monitoring/fault_list.h"

#include <gtest/gtest.h>

namespace zvr {
namespace {

DiagnosticDef Diagnostic(std::string name, std::vector<std::string> texts, uint32_t ram = 0x120,
                         uint32_t ee = 0x4300) {
    DiagnosticDef d{.ramAddress = ram,
                    .eepromAddress = ee,
                    .flagCount = static_cast<uint8_t>(texts.size()),
                    .name = std::move(name)};
    for (size_t i = 0; i < texts.size(); ++i)
        d.bitTexts[i] = texts[i];
    return d;
}

ScalarDef History(std::string name, int16_t size = 1, uint32_t ee = 0x40F0) {
    return {.scaling = {'B', size, 0}, .eepromAddress = ee, .name = std::move(name)};
}

// Two diagnostics: "flags1" describes three bits, "flags2" two.
class FaultListTest : public testing::Test {
protected:
    void SetUp() override {
        set.diagnostics.append(
            Diagnostic("flags1", {"low oil", "overspeed", "hot"}, 0x120, 0x4300));
        set.diagnostics.append(
            Diagnostic("flags2", {"pickup lost", "actuator open"}, 0x121, 0x4301));
    }
    DefinitionSet set;
};

TEST_F(FaultListTest, CurrentFaultsFollowTheFlagBytes) {
    CurrentFaults faults(FaultDiagnostics(set));
    EXPECT_EQ(faults.RamAddresses(), (std::vector<uint16_t>{0x120, 0x121}));
    const std::vector<FaultRow> none{{"", "No current faults."}};

    const uint16_t zero[] = {0x0000, 0x00FF};  // the low byte belongs to the next address
    EXPECT_EQ(faults.Update(zero), none);

    // Bits beyond the described flags add no rows.
    const uint16_t some[] = {0x8500, 0x0200};
    const std::vector<FaultRow> rows{
        {"flags1", "low oil"}, {"flags1", "hot"}, {"flags2", "actuator open"}};
    EXPECT_EQ(faults.Update(some), rows);
    EXPECT_EQ(faults.Update(some), std::nullopt);  // unchanged: the list stays
    EXPECT_EQ(faults.Update(zero), none);
    EXPECT_EQ(faults.Update(zero), none);  // no faults always shows its row
}

TEST_F(FaultListTest, NoDiagnosticsMeansNoCurrentFaults) {
    CurrentFaults faults({});
    const uint16_t words[] = {0xFF00};
    EXPECT_EQ(faults.Update(words), (std::vector<FaultRow>{{"", "No current faults."}}));
}

TEST_F(FaultListTest, OnlyTheFirstTenDiagnosticsCount) {
    for (int i = 0; i < 10; ++i)
        set.diagnostics.append(Diagnostic("extra", {"x"}));
    EXPECT_EQ(FaultDiagnostics(set).size(), 10u);
}

TEST_F(FaultListTest, HistoryScalarsEndAtTheFirstMissingNumber) {
    set.scalars.insert(History("EE_FAULTS_1"));
    set.scalars.insert(History("EE_FAULTS_3"));
    ASSERT_EQ(FaultHistoryScalars(set).size(), 1u);
    set.scalars.insert(History("EE_FAULTS_2"));
    EXPECT_EQ(FaultHistoryScalars(set).size(), 3u);
}

TEST_F(FaultListTest, HistoryDecodingPicksTheDiagnosticByTheLastCharacter) {
    const auto diagnostics = FaultDiagnostics(set);
    const ScalarDef one = History("EE_FAULTS_1");
    const ScalarDef two = History("EE_FAULTS_2", 2);  // a word: all of it counts
    const ScalarDef ten = History("EE_FAULTS_10");    // "0" picks nothing
    const ScalarDef nine = History("EE_FAULTS_9");    // beyond the diagnostics
    const ScalarDef* history[] = {&one, &two, &ten, &nine};
    const uint16_t words[] = {0x0200, 0x0003, 0xFF00, 0xFF00};
    const std::vector<FaultRow> rows{
        {"flags1", "overspeed"}, {"flags2", "pickup lost"}, {"flags2", "actuator open"}};
    EXPECT_EQ(DecodeFaultHistory(history, diagnostics, words), rows);

    const uint16_t clear[] = {0x00FF, 0, 0, 0};
    EXPECT_EQ(DecodeFaultHistory(history, diagnostics, clear),
              (std::vector<FaultRow>{{"", "No Historical Faults"}}));
}

TEST(ClearCommandTest, WalksTheAddressesUpToTheFirstZero) {
    struct Case {
        std::vector<uint16_t> addresses;
        std::vector<uint16_t> written;
    };
    const Case cases[] = {
        {{0x4300, 0x4301}, {0x4300, 0x4301}},
        {{0x4300, 0, 0x4302}, {0x4300}},  // an address 0 ends the command early
        {{}, {}},
        {{0, 0x4301}, {}},
    };
    for (const Case& c : cases) {
        ClearCommand command(c.addresses);
        std::vector<uint16_t> written;
        for (auto address = command.Current(); address; address = command.Current()) {
            written.push_back(*address);
            command.Advance();
        }
        EXPECT_EQ(written, c.written);
    }
}

}  // namespace
}  // namespace zvr
