#include "setupdoc/setup_file.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include "support/file_size_limit.h"

#include <filesystem>
#include <functional>

#include "setupdoc/plot_setup_file.h"
#include "setupdoc/view_setup_file.h"
#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"

namespace zvr {
namespace {

using test::ScriptedPrompt;
namespace fs = std::filesystem;

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

using test::FileSizeLimit;

// Both setup files save through the same steps; each kind with something to save.
struct SetupKind {
    const char* name;
    std::function<int(const std::string& path, UserPrompt& prompt)> save;
    std::function<int(const std::string& path, UserPrompt& prompt)> open;
};

std::ostream& operator<<(std::ostream& out, const SetupKind& kind) { return out << kind.name; }

int SaveViewItems(const std::string& path, UserPrompt& prompt) {
    ViewItems items;
    for (int i = 0; i < 10; ++i) {
        items.append({.position = static_cast<uint8_t>(i), .name = "item_" + std::to_string(i)});
    }
    return SaveViewSetupFile(items, path, prompt);
}

int OpenViewItems(const std::string& path, UserPrompt& prompt) {
    ViewItems items;
    return OpenViewSetupFile(path, items, prompt);
}

int SavePlot(const std::string& path, UserPrompt& prompt) {
    return SavePlotSetupFile(PlotSetup{}, path, prompt);
}

int OpenPlot(const std::string& path, UserPrompt& prompt) {
    PlotSetup setup;
    return OpenPlotSetupFile(path, SortedTable<VariableDef>{}, kPlotDivisionLimit, setup, prompt);
}

class SetupFileTest : public testing::TestWithParam<SetupKind> {
protected:
    void SetUp() override {
        fs::remove_all(kFolder);
        fs::create_directory(kFolder);
    }

    static constexpr const char* kFolder = "setups";
    const std::string path = std::string(kFolder) + "/saved.setup";
    ScriptedPrompt prompt;
};

TEST_P(SetupFileTest, SaveReplacesAnExistingFileKeepingItsPermissions) {
    test::WriteBytes(path, "old");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(GetParam().save(path, prompt), 0);
    EXPECT_TRUE(test::ReadBytes(path).starts_with("  <?xml version=\"1.0\"?>\r\n"));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(FolderEntries(kFolder), std::vector<std::string>{"saved.setup"});
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_P(SetupFileTest, SaveThroughALinkReplacesTheFileItNames) {
    const std::string real = std::string(kFolder) + "/real.setup";
    test::WriteBytes(real, "old");
    fs::create_symlink("real.setup", path);
    ASSERT_EQ(GetParam().save(path, prompt), 0);
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_TRUE(test::ReadBytes(real).starts_with("  <?xml version=\"1.0\"?>\r\n"));
    EXPECT_EQ(FolderEntries(kFolder), (std::vector<std::string>{"real.setup", "saved.setup"}));
}

TEST_P(SetupFileTest, SaveFailingHalfWayKeepsTheExistingFile) {
    test::WriteBytes(path, "the setup saved last week");
    int result;
    {
        FileSizeLimit diskFull(64);
        result = GetParam().save(path, prompt);
    }
    EXPECT_EQ(result, -3);
    EXPECT_EQ(test::ReadBytes(path), "the setup saved last week");
    EXPECT_EQ(FolderEntries(kFolder), std::vector<std::string>{"saved.setup"});
    ASSERT_EQ(prompt.texts(), std::vector<std::string>{"There was an error writing the file."});
    EXPECT_EQ(prompt.shown[0].icon, PromptIcon::Error);
}

TEST_P(SetupFileTest, SaveWhereNoFileCanBeWrittenSaysSo) {
    fs::create_directory(path);  // a folder in the way
    for (const std::string& target : {path, std::string(kFolder) + "/missing/saved.setup"}) {
        ScriptedPrompt casePrompt;
        EXPECT_EQ(GetParam().save(target, casePrompt), -1) << target;
        ASSERT_EQ(casePrompt.texts(), std::vector<std::string>{"Could not open file for writing"});
        EXPECT_EQ(casePrompt.shown[0].icon, PromptIcon::Warning);
        EXPECT_EQ(casePrompt.shown[0].buttons, PromptButtons::OkCancel);
    }
    EXPECT_EQ(FolderEntries(kFolder), std::vector<std::string>{"saved.setup"});
}

TEST_P(SetupFileTest, OpenOfAMissingFileSaysSo) {
    EXPECT_EQ(GetParam().open(std::string(kFolder) + "/missing.setup", prompt), -1);
    ASSERT_EQ(prompt.texts(), std::vector<std::string>{"Could not open file for reading"});
    EXPECT_EQ(prompt.shown[0].icon, PromptIcon::Warning);
    EXPECT_EQ(prompt.shown[0].buttons, PromptButtons::OkCancel);
}

// Opening never waits on a FIFO that nobody writes, nor reads a device without end.
TEST_P(SetupFileTest, OpenOfSomethingThatIsNoRegularFileIsRefusedAtOnce) {
    const std::string fifo = std::string(kFolder) + "/pipe.setup";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, const char*> cases[] = {
        {fifo, "pipe.setup"}, {"/dev/zero", "zero"}, {kFolder, "setups"}};
    for (const auto& [target, name] : cases) {
        ScriptedPrompt casePrompt;
        EXPECT_EQ(GetParam().open(target, casePrompt), -1) << target;
        EXPECT_EQ(casePrompt.texts(),
                  std::vector<std::string>{"Could not open file for reading\r\n\r\n" +
                                           std::string(name) + " is not a regular file."});
    }
}

INSTANTIATE_TEST_SUITE_P(BothKinds, SetupFileTest,
                         testing::Values(SetupKind{"view", SaveViewItems, OpenViewItems},
                                         SetupKind{"plot", SavePlot, OpenPlot}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SetupFileName, IsTheTextAfterTheLastFolderSeparator) {
    EXPECT_EQ(SetupFileName("/home/tech/pump.zpf"), "pump.zpf");
    EXPECT_EQ(SetupFileName("C:\\setups\\pump.zpf"), "pump.zpf");
    EXPECT_EQ(SetupFileName("pump.zpf"), "pump.zpf");
    EXPECT_EQ(SetupFileName("folder/"), "");
}

}  // namespace
}  // namespace zvr
