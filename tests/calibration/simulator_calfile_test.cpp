// Save, compare and download against zvr-sim on a pseudo-terminal, with the ZEVAR 740
// strategy the program ships.
#include "calibration/cal_file_operations.h"
#include "calibration/scalar_walk.h"

#include <algorithm>

#include "controller_unit.h"
#include "sim/sim_fixtures.h"
#include "support/calfile_fixture.h"
#include "support/sample_definitions.h"

namespace zvr {
namespace {

using namespace std::chrono_literals;
using Texts = std::vector<std::string>;

const std::string kStrategy = ZVR_STRATEGY_DIR "/ZVX41R03.000";

class SimulatorCalFileTest : public testing::Test {
protected:
    void SetUp() override {
        sim::SimOptions options;
        options.strategy = kStrategy;
        simulator = sim::test::StartSimulator(options);
        ASSERT_EQ(document->Load(kStrategy, prompt), 0);
        ASSERT_EQ(document->OpenPort(simulator->linkPath(), 10), 0);
        ASSERT_EQ(document->RequestIdentify(receiver, 1124, 1125, 0), 0);
        ASSERT_EQ(receiver->wait(3s), (PostedMessage{1124, 1, 0}));
    }

    void TearDown() override { document.reset(); }

    void Run() {
        while (ops.busy()) {
            auto message = receiver->wait(5s);
            ASSERT_TRUE(message);
            ops.Handle(*message);
        }
    }

    uint16_t Word(uint16_t address) {
        return simulator->withUnit(
            [address](sim::ControllerUnit& unit) { return unit.readWord(address); });
    }
    uint16_t Address(const char* name) {
        return static_cast<uint16_t>(document->definitions.scalars.find(name)->eepromAddress);
    }

    // Writes one scalar as Change Calibration would.
    void WriteScalar(const char* name, uint16_t raw) {
        const ScalarDef& def = *document->definitions.scalars.find(name);
        ASSERT_EQ(document->RequestWriteScalar(static_cast<uint16_t>(def.eepromAddress), raw,
                                               def.scaling.size, receiver, 1126, 1127),
                  0);
        ASSERT_EQ(receiver->wait(3s), (PostedMessage{1126, 1, 0}));
    }

    void Save(const std::string& path) {
        prompt.files = {path};
        prompt.answers = {PromptAnswer::No};
        ops.Save();
        Run();
    }

    std::unique_ptr<sim::Simulator> simulator;
    std::unique_ptr<CDataServer> document = std::make_unique<CDataServer>();
    std::shared_ptr<QueueReceiver> receiver = std::make_shared<QueueReceiver>();
    test::ScriptedPrompt prompt;
    test::RecordingUi ui;
    CalFileOperations ops{CalFileContext{*document, prompt, ui, false, ""}, receiver};
};

TEST_F(SimulatorCalFileTest, SaveThenCompareMatchesAndOneByteChangeIsOneLine) {
    Save("unit.ZVR");
    EXPECT_EQ(prompt.texts().back(), "unit.ZVR Created Successfully");

    prompt.shown.clear();
    prompt.files = {"unit.ZVR"};
    ops.Compare();
    Run();
    EXPECT_EQ(prompt.texts(), (Texts{"File Matches Controller"}));

    WriteScalar("GAIN_MAX", 0x50);  // 5.0 where the file holds 4.0
    prompt.files = {"unit.ZVR"};
    ops.Compare();
    Run();
    ASSERT_EQ(ui.texts.size(), 1u);
    const std::string& report = ui.texts[0].text;
    const std::string heading = "Controller <> unit.ZVR Mismatch List.\r\n\r\n";
    ASSERT_EQ(report.rfind(heading, 0), 0u);
    size_t lines = 0;
    for (char c : report.substr(heading.size()))
        lines += c == '\n';
    EXPECT_EQ(lines, 2u);  // the column heading and one mismatch
    EXPECT_NE(report.find(" GAIN_MAX "), std::string::npos);
    EXPECT_NE(report.find("       5.00 "), std::string::npos);
}

TEST_F(SimulatorCalFileTest, DownloadWithEachPasswordAnswer) {
    Save("unit.ZVR");
    WriteScalar("PASSWORD", 0x2222);
    WriteScalar("SET_SPEED_1", 900);
    DefinitionSet file;
    ASSERT_EQ(LoadCalFile(file, "unit.ZVR", prompt), 0);
    const uint16_t filePassword = static_cast<uint16_t>(file.scalars.find("PASSWORD")->fileRaw);
    const uint16_t fileSpeed = static_cast<uint16_t>(file.scalars.find("SET_SPEED_1")->fileRaw);
    ASSERT_NE(filePassword, 0x2222);

    struct Case {
        PromptAnswer answer;
        uint16_t password;
        uint16_t speed;
    };
    for (const Case& c :
         {Case{PromptAnswer::Cancel, 0x2222, 900}, Case{PromptAnswer::No, 0x2222, fileSpeed},
          Case{PromptAnswer::Yes, filePassword, fileSpeed}}) {
        WriteScalar("SET_SPEED_1", 900);
        prompt.shown.clear();
        prompt.files = {"unit.ZVR"};
        prompt.answers = {c.answer};
        ops.Download();
        Run();
        EXPECT_EQ(Word(0x4000), c.password) << int(c.answer);
        EXPECT_EQ(Word(Address("SET_SPEED_1")), c.speed) << int(c.answer);
    }
}

// Each kind of line fault against each walk: the walk retries its way through and what it
// reports is true (the saved file holds the controller's values, the download's values are in
// the controller and read back the same).
TEST_F(SimulatorCalFileTest, WalksFinishTrueThroughEveryLineFault) {
    Save("clean.ZVR");
    DefinitionSet clean;
    ASSERT_EQ(LoadCalFile(clean, "clean.ZVR", prompt), 0);
    // The file to download differs from the controller in one scalar.
    clean.scalars.find("SET_SPEED_1")->fileRaw = 1234;
    const std::string strategy = clean.header.strategyName;
    test::WriteCal(std::move(clean), "changed.ZVR", strategy);

    for (const char* fault : {"drop", "nak", "checksum"}) {
        SCOPED_TRACE(fault);
        ASSERT_EQ(simulator->execute(std::string("line ") + fault + " 0.05"), "ok");

        prompt.shown.clear();
        Save("faulty.ZVR");
        ASSERT_EQ(prompt.texts().back(), "faulty.ZVR Created Successfully");
        DefinitionSet saved;
        ASSERT_EQ(LoadCalFile(saved, "faulty.ZVR", prompt), 0);
        for (const auto& scalar : saved.scalars.entries()) {
            const uint16_t word = Word(static_cast<uint16_t>(scalar->eepromAddress));
            EXPECT_EQ(scalar->fileRaw, RawFromWord(*scalar, word)) << scalar->name;
        }

        prompt.shown.clear();
        prompt.files = {"changed.ZVR"};
        prompt.answers = {PromptAnswer::Yes};
        ops.Download();
        Run();
        EXPECT_EQ(prompt.texts().back(), kDownloadedSuccessfully);
        EXPECT_EQ(Word(Address("SET_SPEED_1")), 1234);

        prompt.shown.clear();
        prompt.files = {"changed.ZVR"};
        ops.Compare();
        Run();
        EXPECT_EQ(prompt.texts(), (Texts{"File Matches Controller"}));

        ASSERT_EQ(simulator->execute("line clear"), "ok");
        WriteScalar("SET_SPEED_1", 1500);
    }
}

TEST_F(SimulatorCalFileTest, ADownloadThatCannotFinishSaysWhereItStoppedAndWhatToDo) {
    Save("unit.ZVR");
    ASSERT_EQ(simulator->execute("line drop 1.0"), "ok");
    prompt.shown.clear();
    prompt.files = {"unit.ZVR"};
    prompt.answers = {PromptAnswer::Yes};
    ops.Download();
    Run();
    // The password read fails first: nothing was written.
    EXPECT_EQ(prompt.texts(), (Texts{"Read PASSWORD Error. Operation Aborted"}));

    DefinitionSet file;
    ASSERT_EQ(LoadCalFile(file, "unit.ZVR", prompt), 0);
    file.scalars.remove(file.scalars.find("PASSWORD"));
    const std::string first = file.scalars.entries().front()->name;
    const std::string strategy = file.header.strategyName;
    test::WriteCal(std::move(file), "nopassword.ZVR", strategy);
    prompt.shown.clear();
    prompt.files = {"nopassword.ZVR"};
    ops.Download();
    Run();
    ASSERT_EQ(prompt.texts().size(), 1u);
    EXPECT_EQ(prompt.texts()[0],
              std::string(kCalWriteError) + "\r\nThe download stopped at " + first +
                  ". The controller now holds some new and some old values. Running the "
                  "download again will finish it.");
}

// The read-back after a download: on by default, off on request, and a difference is named
// with both values.
TEST_F(SimulatorCalFileTest, ADownloadReadsItsValuesBackUnlessToldNot) {
    Save("unit.ZVR");
    // Two scalars at one address: the second write overwrites the first, so the controller
    // then holds another value for SET_SPEED_1 than the file.
    DefinitionSet file;
    ASSERT_EQ(LoadCalFile(file, "unit.ZVR", prompt), 0);
    ScalarDef& speed = *file.scalars.find("SET_SPEED_1");
    speed.fileRaw = 1400;
    ScalarDef alias = speed;
    alias.name = "ZZ_SAME_WORD";
    alias.fileRaw = 1500;
    file.scalars.insert(std::move(alias));
    const std::string strategy = file.header.strategyName;
    test::WriteCal(std::move(file), "changed.ZVR", strategy);

    for (const bool verify : {true, false}) {
        SCOPED_TRACE(verify);
        ops.setVerifyDownload(verify);
        prompt.shown.clear();
        ui.progress.clear();
        prompt.files = {"changed.ZVR"};
        prompt.answers = {PromptAnswer::Yes};
        ops.Download();
        Run();
        const std::string said = prompt.texts().back();
        const bool readBack = std::any_of(
            ui.progress.begin(), ui.progress.end(),
            [](const ProgressState& p) { return p.line1 == "Reading the written values back"; });
        EXPECT_EQ(readBack, verify);
        if (verify) {
            EXPECT_EQ(said, std::string(kVerifyDiffers) +
                                "\r\nSET_SPEED_1: file 1400 rpm, controller 1500 rpm");
        } else {
            EXPECT_EQ(said, kDownloadedSuccessfully);
        }
    }
}

TEST_F(SimulatorCalFileTest, ASaveCutByASilentLineLeavesTheOldFile) {
    test::WriteBytes("unit.ZVR", "last year's calibration");
    ASSERT_EQ(simulator->execute("line silent 5"), "ok");
    Save("unit.ZVR");
    EXPECT_EQ(prompt.texts(), (Texts{"Cal Read Error. Operation Aborted"}));
    EXPECT_EQ(test::ReadBytes("unit.ZVR"), "last year's calibration");
}

}  // namespace
}  // namespace zvr
