#include "calibration/restore_points.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "common/user_folders.h"
#include "definitions/cal_file.h"
#include "support/file_size_limit.h"
#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"

namespace zvr {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const UnitIdentity kUnit740{"ZEVAR 740", "ZVX41R03.000", "R03"};
const UnitIdentity kUnit880{"ZEVAR 880", "ZVX51A04.000", "A04"};

// The calibration a restore point keeps: the sample strategy's scalars with their values.
DefinitionSet Calibration(uint32_t firstValue = 7) {
    DefinitionSet strategy;
    test::FillSample(strategy);
    uint32_t value = firstValue;
    for (const auto& scalar : strategy.scalars.entries())
        scalar->controllerRaw = value++;
    return CalibrationAsRead(strategy.scalars);
}

const auto kMorning = std::chrono::system_clock::from_time_t(1'700'000'000);

class RestorePointsTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = (fs::current_path() / ("points-" + std::to_string(++serial_))).string();
    }
    RestorePoints::Written write(RestorePoints& points, const UnitIdentity& unit,
                                 std::chrono::seconds later, uint32_t value = 7) {
        return points.Write(Calibration(value), "ZVX41R03", unit, "download", kMorning + later);
    }
    std::string folder_;
    static inline int serial_ = 0;
};

TEST_F(RestorePointsTest, PointIsAnOrdinaryCalFileNamedAndCommentedByUnitTimeAndCommand) {
    RestorePoints points(folder_);
    const auto written = write(points, kUnit740, 0s, 40);
    ASSERT_TRUE(written.ok()) << written.error;

    DefinitionSet loaded;
    test::ScriptedPrompt prompt;
    ASSERT_EQ(LoadCalFile(loaded, written.path, prompt), 0);
    EXPECT_EQ(loaded.header.strategyName, "ZVX41R03");
    uint32_t expected = 40;
    for (const auto& scalar : loaded.scalars.entries())
        EXPECT_EQ(scalar->fileRaw, expected++) << scalar->name;
    std::string comments;
    for (const auto& comment : loaded.comments.entries())
        comments += comment->text + "\n";
    EXPECT_NE(comments.find("before download"), std::string::npos) << comments;
    EXPECT_NE(comments.find(LocalTimeText(kMorning)), std::string::npos) << comments;
    EXPECT_NE(comments.find("ZEVAR 740, strategy ZVX41R03.000 (R03)"), std::string::npos)
        << comments;

    const auto listed = points.List();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].path, written.path);
    EXPECT_EQ(listed[0].unitKey, "ZEVAR-740_ZVX41R03");
    EXPECT_EQ(listed[0].command, "download");
    EXPECT_EQ(listed[0].when, LocalTimeText(kMorning));
    EXPECT_EQ(fs::path(written.path).extension(), ".ZVR");
}

TEST_F(RestorePointsTest, ListsNewestFirstAndByUnit) {
    RestorePoints points(folder_);
    const std::string oldest = write(points, kUnit740, 0s).path;
    const std::string other = write(points, kUnit880, 60s).path;
    const std::string newest = write(points, kUnit740, 120s).path;

    std::vector<std::string> all;
    for (const RestorePoint& point : points.List())
        all.push_back(point.path);
    EXPECT_EQ(all, (std::vector<std::string>{newest, other, oldest}));
    std::vector<std::string> mine;
    for (const RestorePoint& point : points.List(&kUnit740))
        mine.push_back(point.path);
    EXPECT_EQ(mine, (std::vector<std::string>{newest, oldest}));
}

// Pruning counts per unit and removes only that unit's own points: another unit's points,
// the journal and files the user put there stay, whatever they are called.
TEST_F(RestorePointsTest, PruningKeepsTheNewestOfTheUnitAndTouchesNothingElse) {
    struct Case {
        int kept;
        int written;
        size_t left;
    };
    for (const Case c : {Case{3, 5, 3}, Case{50, 5, 5}, Case{1, 3, 1}, Case{0, 2, 1}}) {
        SCOPED_TRACE(testing::Message() << "kept " << c.kept << ", written " << c.written);
        SetUp();
        RestorePoints points(folder_, c.kept);
        ASSERT_TRUE(write(points, kUnit880, 0s).ok());
        fs::create_directories(folder_);
        const std::vector<std::string> foreign = {
            "notes.ZVR", "unit3.ZVR", "20200101-000000-000-1_ZEVAR-740_ZVX41R03_download.txt",
            "20200101-000000-000-x_ZEVAR-740_ZVX41R03_download.ZVR"};
        for (const std::string& name : foreign)
            test::WriteBytes(folder_ + "/" + name, "mine");
        ASSERT_FALSE(points.Append(MakeJournalEntry(kUnit740, "GAIN", "1", "2")));

        std::vector<std::string> paths;
        for (int i = 0; i < c.written; ++i)
            paths.push_back(write(points, kUnit740, std::chrono::seconds(60 * (i + 1))).path);
        const auto left = points.List(&kUnit740);
        ASSERT_EQ(left.size(), c.left);
        EXPECT_EQ(left.front().path, paths.back());  // the newest always stays
        EXPECT_EQ(points.List(&kUnit880).size(), 1u);
        for (const std::string& name : foreign)
            EXPECT_EQ(test::ReadBytes(folder_ + "/" + name), "mine") << name;
        EXPECT_EQ(points.Journal().size(), 1u);
    }
}

TEST_F(RestorePointsTest, FullDiskStopsWithTheReasonAndLeavesNothingBehind) {
    RestorePoints points(folder_);
    fs::create_directories(folder_);
    RestorePoints::Written written;
    {
        test::FileSizeLimit full(64);
        written = write(points, kUnit740, 0s);
    }
    EXPECT_FALSE(written.ok());
    EXPECT_NE(written.error.find(std::strerror(EFBIG)), std::string::npos) << written.error;
    EXPECT_TRUE(fs::is_empty(folder_)) << "a half point or a temporary file was left";
}

// What a user without write permission on the folder meets (root writes anyway, so as root
// the check runs in a child that has given root up).
template <typename Check>
void AsOrdinaryUser(Check check) {
    if (::geteuid() != 0) {
        check();
        return;
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
        check();
        ::_exit(testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the check failed in the child";
}

TEST_F(RestorePointsTest, ReadOnlyFolderStopsWithTheReason) {
    // A folder anyone may enter but nobody may write to.
    std::string base = (fs::temp_directory_path() / "zvr-readonly-XXXXXX").string();
    ASSERT_NE(::mkdtemp(base.data()), nullptr);
    ::chmod(base.c_str(), 0755);
    const std::string folder = base + "/restore-points";
    fs::create_directories(folder);
    ::chmod(folder.c_str(), 0555);
    AsOrdinaryUser([&] {
        RestorePoints points(folder);
        const auto written = points.Write(Calibration(), "ZVX41R03", kUnit740, "download");
        EXPECT_FALSE(written.ok());
        EXPECT_NE(written.error.find(std::strerror(EACCES)), std::string::npos) << written.error;
        const auto journal = points.CheckJournal();
        ASSERT_TRUE(journal);
        EXPECT_NE(journal->find(std::strerror(EACCES)), std::string::npos) << *journal;
        EXPECT_TRUE(points.Append(MakeJournalEntry(kUnit740, "GAIN", "1", "2")));
    });
    EXPECT_TRUE(fs::is_empty(folder));
    ::chmod(folder.c_str(), 0755);
    fs::remove_all(base);
}

TEST_F(RestorePointsTest, TwoPointsInOneMillisecondAreBothKeptNewestFirst) {
    RestorePoints points(folder_);
    const auto first = write(points, kUnit740, 0s, 40);
    const auto second = write(points, kUnit740, 0s, 50);
    ASSERT_TRUE(first.ok() && second.ok()) << first.error << second.error;
    EXPECT_NE(first.path, second.path);

    const auto listed = points.List(&kUnit740);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].path, second.path);
    EXPECT_EQ(listed[1].path, first.path);
    DefinitionSet loaded;
    test::ScriptedPrompt prompt;
    ASSERT_EQ(LoadCalFile(loaded, first.path, prompt), 0);
    EXPECT_EQ(loaded.scalars.entries().front()->fileRaw, 40u);
}

TEST_F(RestorePointsTest, TwoProgramsWritingAtOnceKeepEveryPointAndEveryLineWhole) {
    constexpr int kEach = 20;
    std::vector<pid_t> children;
    for (int program = 0; program < 2; ++program) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RestorePoints points(folder_, 1000);
            bool ok = true;
            for (int i = 0; i < kEach; ++i) {
                ok = points.Write(Calibration(100 * program + i), "ZVX41R03", kUnit740, "download")
                         .ok() &&
                     ok;
                const std::string value(200, static_cast<char>('a' + program));
                ok = !points.Append(MakeJournalEntry(kUnit740, "N" + std::to_string(i), value,
                                                     std::to_string(program))) &&
                     ok;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RestorePoints points(folder_, 1000);
    const auto listed = points.List(&kUnit740);
    EXPECT_EQ(listed.size(), 2u * kEach);
    std::set<uint32_t> firstValues;
    test::ScriptedPrompt prompt;
    for (const RestorePoint& point : listed) {
        DefinitionSet loaded;
        ASSERT_EQ(LoadCalFile(loaded, point.path, prompt), 0) << point.name;
        firstValues.insert(loaded.scalars.entries().front()->fileRaw);
    }
    EXPECT_EQ(firstValues.size(), 2u * kEach);
    const auto journal = points.Journal();
    ASSERT_EQ(journal.size(), 2u * kEach);
    for (const JournalEntry& entry : journal) {
        ASSERT_EQ(entry.oldValue.size(), 200u);
        EXPECT_EQ(entry.oldValue, std::string(200, entry.oldValue[0])) << "lines mixed";
        EXPECT_EQ(entry.newValue, std::string(1, static_cast<char>('0' + entry.oldValue[0] - 'a')));
    }
    for (const auto& entry : fs::directory_iterator(folder_))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
}

// A unit whose identification names nothing but its strategy (no model), or a strategy with
// bytes a file name must not hold.
TEST_F(RestorePointsTest, UnitsNamedByLittleMoreThanTheirStrategy) {
    struct Case {
        UnitIdentity unit;
        std::string key;
    };
    const Case cases[] = {
        {{"", "ZVX41R03.000", ""}, "ZVX41R03"},
        {{"", "", ""}, "unknown"},
        {{"LPN 310", "RRQ/31 E\xE9_5.000", ""}, "LPN-310_RRQ-31-E--5"},
    };
    RestorePoints points(folder_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(c.unit.key(), c.key);
        const auto written = points.Write(Calibration(), "ZVX41R03", c.unit, "wizard",
                                          std::chrono::system_clock::now());
        ASSERT_TRUE(written.ok()) << written.error;
        EXPECT_EQ(fs::path(written.path).parent_path(), fs::path(folder_));
        const auto mine = points.List(&c.unit);
        ASSERT_EQ(mine.size(), 1u);
        EXPECT_EQ(mine[0].unitKey, c.key);
        EXPECT_EQ(mine[0].command, "wizard");
        ASSERT_FALSE(points.Append(MakeJournalEntry(c.unit, "GAIN", "1", "2")));
        EXPECT_EQ(points.Journal(&c.unit).size(), 1u);
    }
    EXPECT_EQ(points.List().size(), std::size(cases));
}

TEST_F(RestorePointsTest, JournalNewestFirstOneLinePerWriteByUnit) {
    RestorePoints points(folder_);
    ASSERT_FALSE(points.CheckJournal());
    ASSERT_FALSE(points.Append(
        {"2024-03-05 10:00:00", "ZEVAR 740", "ZVX41R03.000", "GAIN", "1.00", "2.00"}));
    ASSERT_FALSE(points.Append(
        {"2024-03-05 10:00:00", "ZEVAR 880", "ZVX51A04.000", "SPEED", "1500 rpm", "1600 rpm"}));
    // A typed value with a tab or a line end stays on its line.
    ASSERT_FALSE(points.Append(
        {"2024-03-05 11:00:00", "ZEVAR 740", "ZVX41R03.000", "NOTE", "a\tb", "c\r\nd"}));
    // A line a full disk cut short is no entry.
    {
        std::FILE* file = std::fopen(points.journalPath().c_str(), "ab");
        std::fputs("2024-03-05 12:00:00\tZEVAR 740\tZVX4", file);
        std::fclose(file);
    }
    const auto all = points.Journal();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].name, "NOTE");
    EXPECT_EQ(all[0].oldValue, "a b");
    EXPECT_EQ(all[0].newValue, "c  d");
    EXPECT_EQ(all[1].name, "SPEED");  // same second: the later line first
    EXPECT_EQ(all[2].name, "GAIN");
    const auto mine = points.Journal(&kUnit740);
    ASSERT_EQ(mine.size(), 2u);
    EXPECT_EQ(mine[1].oldValue, "1.00");
}

TEST_F(RestorePointsTest, PointNamedByItsListedNameOrItsPath) {
    RestorePoints points(folder_);
    const std::string path = write(points, kUnit740, 0s).path;
    const std::string name = fs::path(path).filename().string();
    test::WriteBytes("elsewhere.ZVR", "x");
    EXPECT_EQ(points.Resolve(name), path);
    EXPECT_EQ(points.Resolve(name.substr(0, name.size() - 4)), path);
    EXPECT_EQ(points.Resolve(path), path);
    EXPECT_EQ(points.Resolve("elsewhere.ZVR"), "elsewhere.ZVR");
    EXPECT_FALSE(points.Resolve("missing"));
    EXPECT_FALSE(points.Resolve(""));
    EXPECT_FALSE(points.Resolve(folder_));  // a folder is no point
}

TEST(UserDataFolder, FollowsXdgDataHomeElseHome) {
    const std::string savedData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    struct Case {
        const char* data;  // nullptr: unset
        const char* home;
        std::string expected;
    };
    const Case cases[] = {
        {"/x/data", "/home/u", "/x/data/zvr/restore-points"},
        {"relative/data", "/home/u", "/home/u/.local/share/zvr/restore-points"},
        {"", "/home/u", "/home/u/.local/share/zvr/restore-points"},
        {nullptr, "/home/u", "/home/u/.local/share/zvr/restore-points"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        if (c.data) {
            ::setenv("XDG_DATA_HOME", c.data, 1);
        } else {
            ::unsetenv("XDG_DATA_HOME");
        }
        ::setenv("HOME", c.home, 1);
        EXPECT_EQ(UserDataFolder("zvr/restore-points"), c.expected);
        EXPECT_EQ(RestorePoints::DefaultFolder(), c.expected);
    }
    ::setenv("XDG_DATA_HOME", savedData.c_str(), 1);
    ::setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace zvr
