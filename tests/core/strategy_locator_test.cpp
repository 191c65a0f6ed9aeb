#include "strategy/strategy_locator.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "support/sample_definitions.h"

namespace zvr {
namespace {

namespace fs = std::filesystem;

// Each test builds its folders under the test's own working directory:
//   ./              the current directory
//   cli/            a folder given on the command line
//   data/strategies the data folder (ZVR_DATA_DIR=data)
//   prefix/bin      the program's folder; prefix/share/zvr/strategies beside it
class StrategyLocatorTest : public testing::Test {
protected:
    void SetUp() override {
        root = fs::current_path() / testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(root / "cli");
        fs::create_directories(root / "data/strategies");
        fs::create_directories(root / "prefix/bin");
        fs::create_directories(root / "prefix/share/zvr/strategies");
        fs::current_path(root);
        search = {.commandLineDirs = {"cli"},
                  .dataDir = "data",
                  .programDir = (root / "prefix/bin").string()};
    }
    void TearDown() override { fs::current_path(root.parent_path()); }

    static void put(const fs::path& path) { test::WriteBytes(path.string(), "x"); }

    fs::path root;
    StrategySearchPath search;
};

TEST_F(StrategyLocatorTest, FoldersAreSearchedInOrder) {
    const std::string installed =
        (root / "prefix/bin/../share/zvr/strategies/DEMO620.000").string();
    put("prefix/share/zvr/strategies/DEMO620.000");
    EXPECT_EQ(LocateStrategyFile("DEMO620.000", search), installed);
    put("data/strategies/DEMO620.000");
    EXPECT_EQ(LocateStrategyFile("DEMO620.000", search), "data/strategies/DEMO620.000");
    put("cli/DEMO620.000");
    EXPECT_EQ(LocateStrategyFile("DEMO620.000", search), "cli/DEMO620.000");
    put("DEMO620.000");
    EXPECT_EQ(LocateStrategyFile("DEMO620.000", search), "DEMO620.000");

    EXPECT_EQ(LocateStrategyFile("DEMO740.000", search), std::nullopt);
    EXPECT_EQ(LocateStrategyFile("", search), std::nullopt);
}

TEST_F(StrategyLocatorTest, LetterCaseMayDiffer) {
    put("cli/zvx41r03.000");
    EXPECT_EQ(LocateStrategyFile("ZVX41R03.000", search), "cli/zvx41r03.000");
    // An exact name wins in its folder; a folder earlier in the order wins over both.
    put("cli/ZVX41R03.000");
    EXPECT_EQ(LocateStrategyFile("ZVX41R03.000", search), "cli/ZVX41R03.000");
    put("Zvx41r03.000");
    EXPECT_EQ(LocateStrategyFile("ZVX41R03.000", search), "Zvx41r03.000");
    // A folder of that name is no strategy file.
    fs::create_directories("data/strategies/KMS01K01.000");
    EXPECT_EQ(LocateStrategyFile("KMS01K01.000", search), std::nullopt);
}

TEST_F(StrategyLocatorTest, NamesWithAFolderAreTakenAsGiven) {
    put("prefix/share/zvr/strategies/RRQ31E05.000");
    EXPECT_EQ(LocateStrategyFile("cli/RRQ31E05.000", search), std::nullopt);
    put("cli/rrq31e05.000");
    EXPECT_EQ(LocateStrategyFile("cli/RRQ31E05.000", search), "cli/rrq31e05.000");
}

TEST_F(StrategyLocatorTest, DataFolderComesFromTheEnvironment) {
    put("data/strategies/DEMO880.000");
    ::setenv("ZVR_DATA_DIR", (root / "data").c_str(), 1);
    const StrategySearchPath fromEnvironment = StrategySearchPath::FromEnvironment({"cli"});
    ::unsetenv("ZVR_DATA_DIR");
    EXPECT_EQ(fromEnvironment.commandLineDirs, std::vector<std::string>{"cli"});
    EXPECT_EQ(LocateStrategyFile("DEMO880.000", fromEnvironment),
              (root / "data/strategies/DEMO880.000").string());
    // The program folder is the test program's own.
    EXPECT_EQ(fs::path(fromEnvironment.programDir),
              fs::read_symlink("/proc/self/exe").parent_path());
    EXPECT_EQ(StrategySearchPath::FromEnvironment().dataDir, "");
}

}  // namespace
}  // namespace zvr
