#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

// Every test process works in a fresh directory of its own with its own settings folder, so
// suites can run in parallel: the traffic log lands in the working directory, and settings
// are per user, and so are zvr-cli's traffic log, the tuning log and the restore points.
namespace {

class TemporaryWorkingDirectory : public testing::Environment {
public:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "zvr-test-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) {
            FAIL() << "cannot create a temporary directory";
        }
        directory_ = pattern;
        std::filesystem::current_path(directory_);
        const std::string config = (directory_ / "config").string();
        std::filesystem::create_directory(config);
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        const std::string state = (directory_ / "state").string();
        ::setenv("XDG_STATE_HOME", state.c_str(), 1);
        // Restore points, the change journal and the tuning log of a test.
        const std::string data = (directory_ / "data").string();
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    }

    void TearDown() override {
        std::error_code ignored;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
        std::filesystem::remove_all(directory_, ignored);
    }

private:
    std::filesystem::path directory_;
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new TemporaryWorkingDirectory);
    return RUN_ALL_TESTS();
}
