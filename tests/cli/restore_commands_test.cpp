// zvr-cli history and restore against the simulator: restore points taken before a write,
// listed newest first, and written back value for value.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "calibration/cal_file_operations.h"
#include "calibration/restore_points.h"
#include "commands.h"
#include "controller_fixture.h"
#include "definitions/cal_file.h"
#include "monitoring/password.h"
#include "support/calfile_fixture.h"
#include "support/sample_definitions.h"

namespace zvr::cli {
namespace {

namespace fs = std::filesystem;

struct RestoreCommandsTest : test::ControllerFixture {
    // The data folder belongs to the test process: each test starts with no points.
    void SetUp() override { fs::remove_all(RestorePoints::DefaultFolder()); }

    // Every scalar of the controller's strategy as the simulator's EEPROM holds it.
    std::map<std::string, uint16_t> Eeprom() {
        DefinitionSet strategy;
        sim::test::Fill740(strategy);
        std::map<std::string, uint16_t> words;
        for (const auto& scalar : strategy.scalars.entries())
            words[scalar->name] = word(static_cast<uint16_t>(scalar->eepromAddress));
        return words;
    }
    nlohmann::json History(std::vector<std::string> options = {}) {
        options.push_back("--json");
        EXPECT_EQ(runAsIs(RunHistory, options), kExitOk) << err_.str();
        return nlohmann::json::parse(out_.str());
    }
};

// The ZEVAR 740 fixture as a file with other values than the simulator holds.
void WriteChangedFile(const std::string& path) {
    DefinitionSet set;
    sim::test::Fill740(set);
    set.scalars.find("SET_SPEED_1")->fileRaw = 1700;
    set.scalars.find("PASSWORD")->fileRaw = 0x2222;
    zvr::test::WriteCal(std::move(set), path, "ZVX41R03");
}

TEST_F(RestoreCommandsTest, RestoreOfTheNewestPointBringsBackWhatTheControllerHeld) {
    startOn(sim::test::Write740());
    const auto before = Eeprom();
    WriteChangedFile("other.ZVR");

    // Writing the file keeps what the controller held as a restore point.
    ASSERT_EQ(run(RunRestore, {"other.ZVR"}), kExitOk) << err_.str();
    EXPECT_EQ(word(sim::test::kSetSpeed1), 1700);
    EXPECT_EQ(word(sim::test::kPassword), 0x2222);
    nlohmann::json history = History();
    ASSERT_EQ(history["entries"].size(), 1u);
    const std::string first = history["entries"][0]["name"];
    EXPECT_EQ(history["entries"][0]["command"], "restore");
    EXPECT_EQ(history["entries"][0]["unit"], "ZEVAR-740_ZVX41R03");

    // Its newest point, by the name history lists, brings every value back.
    ASSERT_EQ(run(RunRestore, {first}), kExitOk) << err_.str();
    EXPECT_EQ(Eeprom(), before);
    history = History();
    ASSERT_EQ(history["entries"].size(), 2u);
    EXPECT_EQ(history["entries"][1]["name"], first);  // newest first

    // The controller holds the point already: nothing is written, and it says so.
    ASSERT_EQ(run(RunRestore, {first}), kExitOk) << err_.str();
    EXPECT_EQ(prompt_.texts().back(), kNothingToWrite);
    EXPECT_EQ(Eeprom(), before);
    EXPECT_EQ(History()["entries"].size(), 2u);  // and nothing to undo: no new point
}

TEST_F(RestoreCommandsTest, HistoryWithAPortListsOnlyThatUnitsPointsAndChanges) {
    RestorePoints store;
    DefinitionSet calibration;
    sim::test::Fill740(calibration);
    const UnitIdentity other{"ZEVAR 880", "ZVX51A04.000", "A04"};
    const UnitIdentity mine{"ZEVAR 740", "ZVX41R03.000", "R03"};
    ASSERT_TRUE(
        store.Write(CalibrationAsRead(calibration.scalars), "ZVX51A04", other, "wizard").ok());
    ASSERT_TRUE(
        store.Write(CalibrationAsRead(calibration.scalars), "ZVX41R03", mine, "download").ok());
    ASSERT_FALSE(store.Append(MakeJournalEntry(mine, "SET_SPEED_1", "1500 rpm", "1600 rpm")));
    ASSERT_FALSE(store.Append(MakeJournalEntry(other, "GAIN", "1", "2")));

    EXPECT_EQ(History()["entries"].size(), 4u);
    startOn(sim::test::Write740());
    const nlohmann::json only = History({"--port", simulator_->linkPath()});
    ASSERT_EQ(only["entries"].size(), 2u);
    for (const auto& entry : only["entries"]) {
        if (entry["kind"] == "point") {
            EXPECT_EQ(entry["unit"], "ZEVAR-740_ZVX41R03");
        } else {
            EXPECT_EQ(entry["name"], "SET_SPEED_1");
            EXPECT_EQ(entry["old"], "1500 rpm");
            EXPECT_EQ(entry["new"], "1600 rpm");
        }
    }
    ASSERT_EQ(run(RunHistory, {}), kExitOk);
    EXPECT_NE(out_.str().find("\tchange\tSET_SPEED_1\t1500 rpm -> 1600 rpm\tZEVAR 740"),
              std::string::npos)
        << out_.str();
}

// A download writes only the values that differ, after keeping what the controller held;
// a file the controller holds already sends no write request at all.
TEST_F(RestoreCommandsTest, DownloadWritesOnlyWhatDiffersAndNothingForAnEqualFile) {
    startOn(sim::test::Write740());
    ASSERT_EQ(run(RunSave, {"same.ZVR"}), kExitOk) << err_.str();

    ASSERT_EQ(run(RunDownload, {"same.ZVR"}), kExitOk) << err_.str();
    EXPECT_EQ(prompt_.texts().back(), kNothingToWrite);
    EXPECT_EQ(WriteRequestsLogged(), 0u);
    EXPECT_EQ(History()["entries"].size(), 0u);  // nothing written, nothing to undo

    WriteChangedFile("other.ZVR");  // SET_SPEED_1 and PASSWORD differ
    const auto before = Eeprom();
    // Aborted at the password question: nothing written, nothing to undo.
    EXPECT_EQ(run(RunDownload, {"other.ZVR", "--password-mismatch", "abort"}), kExitNo);
    EXPECT_EQ(WriteRequestsLogged(), 0u);
    EXPECT_EQ(History()["entries"].size(), 0u);

    ASSERT_EQ(run(RunDownload, {"other.ZVR", "--password-mismatch", "keep"}), kExitOk)
        << err_.str();
    EXPECT_EQ(prompt_.texts().back(), kDownloadedSuccessfully);
    EXPECT_EQ(WriteRequestsLogged(), 1u);
    // The password came with the whole read: no read of its own, one read back.
    const std::vector<int> types = RequestTypesLogged();
    EXPECT_EQ(static_cast<size_t>(std::count(types.begin(), types.end(), 3)), before.size() + 1);
    auto after = Eeprom();
    EXPECT_EQ(after["SET_SPEED_1"], 1700);
    after["SET_SPEED_1"] = before.at("SET_SPEED_1");
    EXPECT_EQ(after, before);
    const nlohmann::json history = History();
    ASSERT_EQ(history["entries"].size(), 1u);
    EXPECT_EQ(history["entries"][0]["command"], "download");
    // The point holds what the controller held.
    DefinitionSet point;
    ASSERT_EQ(LoadCalFile(point, history["entries"][0]["path"], prompt_), 0);
    EXPECT_EQ(point.scalars.find("SET_SPEED_1")->fileRaw, before.at("SET_SPEED_1"));
    EXPECT_EQ(point.scalars.count(), before.size());
}

// set and a password change each leave one journal line (never the password's values); a
// journal that cannot be written stops the write before it goes out.
TEST_F(RestoreCommandsTest, SingleValueWritesLeaveAJournalLine) {
    DefinitionSet strategy;
    sim::test::Fill740(strategy);
    strategy.scalars.find("PASSWORD")->fileRaw = PasswordCode("tech");
    sim::test::WriteStrategy(strategy, "ZVX41R03.000");
    startOn("ZVX41R03.000");
    ASSERT_EQ(run(RunSet, {"SET_SPEED_1", "1600", "--password", "tech"}), kExitOk) << err_.str();
    ASSERT_EQ(run(RunPassword, {"--change", "n3w", "--old", "tech"}), kExitOk) << err_.str();
    const auto journal = RestorePoints().Journal();
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0].name, "PASSWORD");
    EXPECT_EQ(journal[0].oldValue, kHiddenValue);
    EXPECT_EQ(journal[0].newValue, kHiddenValue);
    EXPECT_EQ(journal[1].name, "SET_SPEED_1");
    EXPECT_EQ(journal[1].model, "ZEVAR 740");
    EXPECT_TRUE(journal[1].oldValue.starts_with("1500")) << journal[1].oldValue;
    EXPECT_TRUE(journal[1].newValue.starts_with("1600")) << journal[1].newValue;

    fs::remove_all(RestorePoints::DefaultFolder());
    zvr::test::WriteBytes(RestorePoints::DefaultFolder(), "in the way");
    EXPECT_EQ(run(RunSet, {"SET_SPEED_1", "1700", "--password", "n3w"}), kExitUsage);
    EXPECT_NE(err_.str().find(kJournalFailed), std::string::npos) << err_.str();
    EXPECT_EQ(simulator_->execute("get SET_SPEED_1"), "ok 1600");
    fs::remove(RestorePoints::DefaultFolder());
}

// A point that cannot be written stops the restore before anything is sent; an unknown
// point is a usage error.
TEST_F(RestoreCommandsTest, RestoreStopsBeforeWritingWhenItsPointCannotBeKept) {
    startOn(sim::test::Write740());
    const auto before = Eeprom();
    WriteChangedFile("other.ZVR");
    // A file where the folder should be: the folder cannot be made.
    fs::create_directories(fs::path(RestorePoints::DefaultFolder()).parent_path());
    zvr::test::WriteBytes(RestorePoints::DefaultFolder(), "in the way");

    EXPECT_EQ(run(RunRestore, {"other.ZVR"}), kExitUsage);
    ASSERT_FALSE(prompt_.texts().empty());
    EXPECT_TRUE(prompt_.texts().back().starts_with(kRestorePointFailed)) << prompt_.texts().back();
    EXPECT_EQ(Eeprom(), before);
    fs::remove(RestorePoints::DefaultFolder());

    EXPECT_EQ(run(RunRestore, {"20990101-000000-000-1_X_download"}), kExitUsage);
    EXPECT_NE(err_.str().find("no restore point"), std::string::npos) << err_.str();
}

}  // namespace
}  // namespace zvr::cli
