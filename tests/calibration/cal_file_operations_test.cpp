// Save, download, compare and convert against a memory controller on a pseudo-terminal.
#include "calibration/cal_file_operations.h"

#include <algorithm>
#include <filesystem>

#include "calibration/report_text.h"
#include "support/calfile_fixture.h"
#include "support/sample_definitions.h"

namespace zvr {
namespace {

using namespace std::chrono_literals;
using test::ReadBytes;
using test::Scalar;
using test::WriteCal;
using Texts = std::vector<std::string>;

const std::string kStrategy = ZVR_STRATEGY_DIR "/ZVX41R03.000";
constexpr const char* kPasswordQuestion =
    "The Password in the selected file does NOT match the password in the controller.\r\n"
    "YES \t= Change Controller Password.\r\nNO \t= Download all parameters EXCEPT the "
    "password.\r\nCANCEL \t= Abort the operation.";
constexpr const char* kStrategyQuestion =
    "Error - This file was prepared for different controller strategy. Abort Download?";

class CalFileOperationsTest : public test::LinkFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(document->Load(kStrategy, prompt), 0);
        controller.Fill(document->definitions);
    }

    void Run() {
        Pump([&](const PostedMessage& m) { ops.Handle(m); }, [&] { return !ops.busy(); });
    }

    const ScalarDef& Def(const char* name) { return *document->definitions.scalars.find(name); }
    uint16_t Address(const char* name) { return static_cast<uint16_t>(Def(name).eepromAddress); }

    // A calibration file of three scalars of the ZEVAR 740 strategy, one of them the password.
    void WriteDownloadFile(const std::string& path, const std::string& strategy = "ZVX41R03",
                           bool withPassword = true) {
        DefinitionSet file;
        if (withPassword) file.scalars.insert(Scalar("PASSWORD", 2, 0x4000, 0x1111, '$'));
        file.scalars.insert(Scalar("SET_SPEED_1", 2, Address("SET_SPEED_1"), 1234));
        file.scalars.insert(Scalar("GAIN_MAX", 1, Address("GAIN_MAX"), 0x44));
        WriteCal(std::move(file), path, strategy);
    }

    CalFileOperations ops{CalFileContext{*document, prompt, ui, false, ""}, receiver};
};

TEST_F(CalFileOperationsTest, ASavedCalibrationMatchesTheController) {
    Connect();
    controller.SetWord(Address("SET_SPEED_1"), 1234);
    prompt.files = {"saved.ZVR", "saved.ZVR"};
    prompt.answers = {PromptAnswer::No};
    ops.Save();
    Run();
    EXPECT_EQ(prompt.texts(), (Texts{"Do you wish to edit the new Cal File Comments?",
                                     "saved.ZVR Created Successfully"}));
    EXPECT_EQ(ui.progress.front(), (ProgressState{"Processing Calibration Values", "", 1, 53, 1}));
    EXPECT_FALSE(ui.visible);

    DefinitionSet saved;
    ASSERT_EQ(LoadCalFile(saved, "saved.ZVR", prompt), 0);
    EXPECT_EQ(saved.header.strategyName, "ZVX41R03");
    EXPECT_EQ(saved.header.counts.number_of_scalars, 53);
    EXPECT_EQ(saved.header.counts.number_of_variables, 0);
    EXPECT_EQ(saved.header.counts.number_of_view_items, 0);
    EXPECT_EQ(saved.header.counts.number_of_diagnostics, 0);
    EXPECT_EQ(saved.scalars.find("SET_SPEED_1")->fileRaw, 1234u);

    prompt.shown.clear();
    ops.Compare();
    Run();
    EXPECT_EQ(prompt.texts(), (Texts{"File Matches Controller"}));
    EXPECT_EQ(ops.temporaryDocument(), nullptr);
}

TEST_F(CalFileOperationsTest, OneChangedByteScalarIsOneMismatchFromTheHighByte) {
    Connect();
    // The byte after APP_FULL_DEADBAND is not zero, so a whole word would show.
    controller.SetByte(Address("APP_FULL_DEADBAND") + 1, 3);
    prompt.files = {"saved.ZVR", "saved.ZVR"};
    prompt.answers = {PromptAnswer::No};
    ops.Save();
    Run();
    controller.SetByte(Address("APP_FULL_DEADBAND"), 9);  // 4.5 where the file holds 3.5
    ops.Compare();
    Run();
    ASSERT_EQ(ui.texts.size(), 1u);
    EXPECT_EQ(ui.texts[0].title, "Compare Differences");
    EXPECT_FALSE(ui.texts[0].editable);
    EXPECT_EQ(ui.texts[0].text,
              "Controller <> saved.ZVR Mismatch List.\r\n\r\n"
              " Name                                File  Controller  Units\r\n"
              " APP_FULL_DEADBAND                     3.5         4.5 %\r\n");
}

TEST_F(CalFileOperationsTest, TheCompareLogIsSavedWithTheDateAndOpened) {
    Connect();
    DefinitionSet file;
    file.scalars.insert(Scalar("SET_SPEED_2", 2, Address("SET_SPEED_2"), 1));
    WriteCal(std::move(file), "other.ZVR", "ZVX41R03");
    prompt.files = {"other.ZVR", "log.txt"};
    ui.textAnswers = {std::string()};
    ops.Compare();
    Run();
    EXPECT_EQ(ui.opened, (Texts{"log.txt"}));
    const std::string log = ReadBytes("log.txt");
    EXPECT_EQ(log, TodayLine() + ui.texts[0].text);
    EXPECT_EQ(prompt.fileChoices[1].title, "Select/Create File Name to log to.");
    EXPECT_EQ(prompt.fileChoices[1].filter, "text Files (*.txt)|*.txt||");
}

TEST_F(CalFileOperationsTest, ALineFaultOrAnAbortDuringSaveLeavesTheOldFile) {
    Connect();
    test::WriteBytes("old.ZVR", "the calibration of last year");
    struct Case {
        const char* what;
        bool abort;
    };
    for (const Case& c : {Case{"line fault", false}, Case{"abort", true}}) {
        prompt.shown.clear();
        prompt.files = {"old.ZVR"};
        controller.FallSilentAt(c.abort ? 1000 : 4);
        ops.Save();
        if (c.abort) {
            for (int i = 0; i < 2; ++i) {
                auto message = receiver->wait(3s);
                ASSERT_TRUE(message);
                ops.Handle(*message);
            }
            ops.Abort();
            EXPECT_FALSE(ui.visible);
        }
        Run();
        EXPECT_EQ(ops.mode(), CalFileMode::Idle) << c.what;
        EXPECT_EQ(prompt.texts(), c.abort ? Texts{} : Texts{"Cal Read Error. Operation Aborted"})
            << c.what;
        EXPECT_EQ(ReadBytes("old.ZVR"), "the calibration of last year") << c.what;
        controller.FallSilentAt(0);
    }
    // No temporary file is left beside it.
    for (const auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_EQ(entry.path().filename().string().find(".old.ZVR"), std::string::npos);
}

TEST_F(CalFileOperationsTest, AFileThatCannotBeWrittenIsRefusedBeforeTheWalk) {
    Connect();
    std::filesystem::create_directory("a folder.ZVR");
    // The message names the file and the system's reason on its second line.
    const std::pair<const char*, const char*> cases[] = {
        {"a folder.ZVR", "Is a directory"},
        {"no such folder/new.ZVR", "No such file or directory"},
    };
    for (const auto& [path, reason] : cases) {
        prompt.shown.clear();
        prompt.files = {path};
        ops.Save();
        const std::string failure = std::string(path) + ": " + reason;
        EXPECT_EQ(prompt.texts(),
                  (Texts{"The selected file could not be opened for writing.\n" + failure}));
        EXPECT_EQ(ops.writeFailure(), failure);
        EXPECT_EQ(prompt.shown[0].icon, PromptIcon::Warning);
    }
    EXPECT_TRUE(controller.Reads().empty());
}

TEST_F(CalFileOperationsTest, DownloadSettlesADifferentPasswordAsTheUserAnswers) {
    Connect();
    WriteDownloadFile("new.ZVR");
    struct Case {
        PromptAnswer answer;
        uint16_t password;
        uint16_t speed;
        Texts after;
    };
    const Case cases[] = {
        {PromptAnswer::Yes, 0x1111, 1234, {"The calibration file was downloaded successfully."}},
        {PromptAnswer::No, 0x2222, 1234, {"The calibration file was downloaded successfully."}},
        {PromptAnswer::Cancel, 0x2222, 1500, {}},
    };
    for (const Case& c : cases) {
        controller.SetWord(0x4000, 0x2222);
        controller.SetWord(Address("SET_SPEED_1"), 1500);
        prompt.shown.clear();
        prompt.files = {"new.ZVR"};
        prompt.answers = {c.answer};
        ops.Download();
        Run();
        Texts expected{kPasswordQuestion};
        expected.insert(expected.end(), c.after.begin(), c.after.end());
        EXPECT_EQ(prompt.texts(), expected);
        EXPECT_EQ(prompt.shown[0].buttons, PromptButtons::YesNoCancel);
        EXPECT_EQ(prompt.shown[0].defaultAnswer, PromptAnswer::Cancel);
        EXPECT_EQ(controller.Word(0x4000), c.password);
        EXPECT_EQ(controller.Word(Address("SET_SPEED_1")), c.speed);
    }
    EXPECT_EQ(controller.Byte(Address("GAIN_MAX")), 0x44);
}

TEST_F(CalFileOperationsTest, DownloadAsksNoPasswordQuestionWhenThereIsNothingToSettle) {
    Connect();
    WriteDownloadFile("same.ZVR");
    WriteDownloadFile("nopass.ZVR", "ZVX41R03", false);
    controller.SetWord(0x4000, 0x1111);
    for (const char* file : {"same.ZVR", "nopass.ZVR"}) {
        prompt.shown.clear();
        prompt.files = {file};
        ops.Download();
        Run();
        EXPECT_EQ(prompt.texts(), (Texts{"The calibration file was downloaded successfully."}))
            << file;
    }
    // The file with the password reads it once before writing; after that only the
    // read-back of the written scalars reads (the password once more, for the first file).
    const std::vector<uint16_t> reads = controller.Reads();
    ASSERT_FALSE(reads.empty());
    EXPECT_EQ(reads.front(), 0x4000);
    EXPECT_EQ(std::count(reads.begin(), reads.end(), 0x4000), 2);
    EXPECT_EQ(controller.Writes().size(), 5u);
}

TEST_F(CalFileOperationsTest, APasswordReadIsRetriedAndALastingFailureWritesNothing) {
    Connect();
    WriteDownloadFile("new.ZVR");
    controller.SetWord(0x4000, 0x2222);  // the file holds another password
    // One NAK: the password is read again and the question is asked on the right value.
    controller.NakRead(1);
    prompt.files = {"new.ZVR"};
    prompt.answers = {PromptAnswer::Cancel};
    ops.Download();
    Run();
    ASSERT_EQ(prompt.texts().size(), 1u);
    EXPECT_EQ(prompt.texts()[0].rfind("The Password in the selected file does NOT match", 0), 0u);
    EXPECT_EQ(controller.Reads().size(), 2u);

    // A line that stays silent: three reads, then the download stops with nothing written.
    prompt.shown.clear();
    controller.FallSilentAt(1);
    prompt.files = {"new.ZVR"};
    ops.Download();
    Run();
    EXPECT_EQ(prompt.texts(), (Texts{"Read PASSWORD Error. Operation Aborted"}));
    EXPECT_TRUE(controller.Writes().empty());
    EXPECT_EQ(ops.temporaryDocument(), nullptr);
}

TEST_F(CalFileOperationsTest, DownloadChecksModelAndStrategy) {
    struct Case {
        const char* what;
        const char* controllerFile;
        const char* fileStrategy;
        std::vector<PromptAnswer> answers;
        Texts questions;
        bool downloads;
    };
    const Case cases[] = {
        {"740 file of another strategy",
         "ZVX41R03",
         "ZVX41R99",
         {PromptAnswer::No},
         {kStrategyQuestion},
         true},
        {"740 file on an 880, No then Yes",
         "ZVX51A04",
         "ZVX41R99",
         {PromptAnswer::No, PromptAnswer::Yes},
         {"Error - This is a 740 series cal file. It does not match your controller. Abort "
          "Download?",
          kStrategyQuestion},
         false},
        {"880 file on a 740",
         "ZVX41R03",
         "ZVX51A04",
         {PromptAnswer::Yes},
         {"Error - This is a 880 series cal file. It does not match your controller.  Abort "
          "Download?"},
         false},
        {"unknown family on the right controller",
         "ZVX41R03",
         "ABC123",
         {PromptAnswer::No},
         {"Error - The cal file you selected has an unknown type, and may not match your "
          "controller. Abort Download?"},
         true},
    };
    for (const Case& c : cases) {
        document->Close();
        Connect(c.controllerFile);
        controller.SetWord(Address("SET_SPEED_1"), 1500);
        WriteDownloadFile("check.ZVR", c.fileStrategy, false);
        prompt.shown.clear();
        prompt.files = {"check.ZVR"};
        prompt.answers.assign(c.answers.begin(), c.answers.end());
        ops.Download();
        Run();
        Texts expected = c.questions;
        if (c.downloads) expected.push_back("The calibration file was downloaded successfully.");
        EXPECT_EQ(prompt.texts(), expected) << c.what;
        EXPECT_EQ(prompt.shown[0].icon, PromptIcon::Error) << c.what;
        EXPECT_EQ(controller.Word(Address("SET_SPEED_1")), c.downloads ? 1234 : 1500) << c.what;
    }
}

TEST_F(CalFileOperationsTest, DemoModeDownloadsAnyModelWithoutAQuestion) {
    ASSERT_EQ(document->OpenPort("DEMO"), 0);
    WriteDownloadFile("check.ZVR", "KMS01K01", false);
    prompt.files = {"check.ZVR"};
    ops.Download();
    Run();
    EXPECT_EQ(prompt.texts(), (Texts{"The calibration file was downloaded successfully."}));
}

TEST_F(CalFileOperationsTest, AbortDuringDownloadKeepsWhatWasWrittenAndSaysNothing) {
    Connect();
    DefinitionSet file;
    for (int i = 0; i < 10; ++i)
        file.scalars.insert(Scalar("S" + std::to_string(i), 2, 0x4200 + 2 * i, 100 + i));
    WriteCal(std::move(file), "ten.ZVR", "ZVX41R03");
    prompt.files = {"ten.ZVR"};
    ops.Download();
    while (ui.progress.back().line2 != "S2") {  // the third write is under way
        auto message = receiver->wait(3s);
        ASSERT_TRUE(message);
        ops.Handle(*message);
    }
    ops.Abort();
    Run();
    while (auto late = receiver->wait(300ms))
        EXPECT_FALSE(ops.Handle(*late));
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(ops.mode(), CalFileMode::Idle);
    EXPECT_EQ(ops.temporaryDocument(), nullptr);
    EXPECT_EQ(controller.Writes().size(), 3u);
    EXPECT_EQ(controller.Word(0x4200), 100);
    EXPECT_EQ(controller.Word(0x4202), 101);
    EXPECT_EQ(controller.Word(0x4206), 0);
}

TEST_F(CalFileOperationsTest, AFailedWriteIsRetriedAndALastingOneEndsTheDownload) {
    Connect();
    WriteDownloadFile("new.ZVR", "ZVX41R03", false);
    // One NAK: the write goes out again and the download finishes.
    controller.NakWrite(2);
    prompt.files = {"new.ZVR"};
    ops.Download();
    Run();
    EXPECT_EQ(prompt.texts(), (Texts{"The calibration file was downloaded successfully."}));
    EXPECT_EQ(controller.Writes().size(), 3u);  // two scalars, the second twice

    // Silence after the first scalar: the second is tried three times, then the download
    // stops and says so.
    prompt.shown.clear();
    controller.NakWrite(0);
    controller.FallSilentAt(3);  // the first write and its commit are answered
    prompt.files = {"new.ZVR"};
    ops.Download();
    Run();
    ASSERT_EQ(prompt.texts().size(), 1u);
    EXPECT_EQ(prompt.texts()[0].rfind(
                  "Cal Write Error. Operation Aborted\r\nThe download stopped at ", 0),
              0u);
    EXPECT_EQ(controller.Byte(Address("GAIN_MAX")), 0x44);  // the first in name order
}

TEST_F(CalFileOperationsTest, ControllerToTextWritesEveryValueAndTheWholeComment) {
    Connect();
    const std::string comment = std::string(1000, 'a') + "\n" + std::string(999, 'b');
    prompt.files = {"controller.txt"};
    ui.textAnswers = {comment};
    ops.ConvertControllerToText();
    Run();
    EXPECT_EQ(ui.opened, (Texts{"controller.txt"}));
    EXPECT_EQ(ui.texts[0].title, "Enter Comments for this file");
    EXPECT_EQ(ui.texts[0].okText, "Save Comments");
    EXPECT_EQ(ui.texts[0].cancelText, "No Comments");
    const std::string text = ReadBytes("controller.txt");
    EXPECT_EQ(text.rfind(TodayLine() + "\r\nModel    : ZEVAR 740\r\nStrategy : R03\r\n\r\n" +
                             "**Comments:\r\n" + std::string(1000, 'a') + "\r\n" +
                             std::string(999, 'b') + "\r\n**End Comments**\r\n\r\n",
                         0),
              0u);
    EXPECT_NE(text.find("SET_SPEED_1" + std::string(19 + 6, ' ') + "1500 rpm\r\n"),
              std::string::npos);
    size_t lines = 0;
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        EXPECT_EQ(text[at - 1], '\r');
        ++lines;
    }
    EXPECT_EQ(lines, 1u + 4 + 5 + 53);  // date, heading, comments, one line per scalar
}

TEST_F(CalFileOperationsTest, AnEmptyStrategyMakesNoFile) {
    document->definitions.scalars.clear();
    prompt.files = {"empty.ZVR", "empty.txt"};
    ops.Save();
    ops.ConvertControllerToText();
    EXPECT_FALSE(ops.busy());
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_TRUE(ui.progress.empty());
    EXPECT_FALSE(std::filesystem::exists("empty.ZVR"));
    EXPECT_FALSE(std::filesystem::exists("empty.txt"));
}

// Files only, no controller.
class FileConversionTest : public CalFileOperationsTest {
protected:
    void SetUp() override { ASSERT_EQ(document->Load(kStrategy, prompt), 0); }
};

TEST_F(FileConversionTest, CalFileToTextCutsTheCommentAndChoosesTheReportByMode) {
    for (bool engineering : {false, true}) {
        CalFileOperations convert{CalFileContext{*document, prompt, ui, engineering, ""}, receiver};
        const std::string target = engineering ? "eng.txt" : "user.txt";
        prompt.files = {kStrategy, target};
        ui.textAnswers = {std::string(2000, 'c')};
        convert.ConvertFileToText();
        EXPECT_EQ(prompt.fileChoices.back().suggestedName, ZVR_STRATEGY_DIR "/ZVX41R03");
        const std::string text = ReadBytes(target);
        EXPECT_EQ(text.rfind("\r\nModel    : ZEVAR 740\r\nStrategy : R03\r\n\r\n**Comments:\r\n" +
                                 std::string(1536, 'c') +
                                 "\r\n**End Comments**\r\n\r\nValues converted from file : " +
                                 kStrategy + "\r\n\r\n",
                             0),
                  0u);
        EXPECT_EQ(text.find("Variable List") != std::string::npos, engineering);
        EXPECT_NE(text.find("Scalar List"), std::string::npos);
        EXPECT_EQ(ui.opened.back(), target);
    }
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(FileConversionTest, CalFileToStrategyAsksForEachMissingScalar) {
    DefinitionSet source;
    source.scalars.insert(Scalar("SET_SPEED_1", 2, 0x9999, 1234));
    source.scalars.insert(Scalar("NOT_HERE", 2, 0x4000, 5));
    source.scalars.insert(Scalar("ALSO_MISSING", 1, 0x4000, 6));
    WriteCal(std::move(source), "source.ZVR", "ZVX41R01");
    const std::string question =
        "Could not find scalar ALSO_MISSING in existing Strategy file ZVX41R03.000\r\nDo you "
        "wish to continue, skipping this scalar?";

    // The strategy was named without a folder: it is found in the start directory.
    std::filesystem::create_directory("start");
    std::filesystem::copy_file(kStrategy, "start/ZVX41R03.000");
    document->definitions.filePath = "ZVX41R03.000";
    CalFileOperations convert{CalFileContext{*document, prompt, ui, false, "start"}, receiver};

    prompt.files = {"source.ZVR"};
    prompt.answers = {PromptAnswer::No};
    convert.ConvertFileToStrategy();
    EXPECT_EQ(prompt.texts(), (Texts{question}));
    EXPECT_EQ(prompt.shown[0].icon, PromptIcon::Error);
    EXPECT_EQ(prompt.fileChoices.size(), 1u);

    prompt.shown.clear();
    prompt.files = {"source.ZVR", "out.ZVR"};
    convert.ConvertFileToStrategy();
    ASSERT_EQ(prompt.shown.size(), 3u);
    EXPECT_EQ(prompt.shown[2].text, "Operation was successful");
    DefinitionSet out;
    ASSERT_EQ(LoadCalFile(out, "out.ZVR", prompt), 0);
    EXPECT_EQ(out.scalars.count(), 53u);
    EXPECT_EQ(out.scalars.find("SET_SPEED_1")->fileRaw, 1234u);
    EXPECT_EQ(out.scalars.find("SET_SPEED_1")->eepromAddress, Def("SET_SPEED_1").eepromAddress);
    EXPECT_EQ(out.scalars.find("SET_SPEED_2")->fileRaw, Def("SET_SPEED_2").fileRaw);
    EXPECT_EQ(out.variables.count(), document->definitions.variables.count());
    EXPECT_EQ(out.header.strategyName, "ZVX41R03");
}

TEST_F(FileConversionTest, UnreadableFilesAreReported) {
    test::WriteBytes("text.ZVR", "not a cal file");
    prompt.files = {"text.ZVR"};
    ops.Compare();
    prompt.files = {"text.ZVR"};
    ops.Download();
    prompt.files = {"text.ZVR"};
    ops.ConvertFileToStrategy();
    EXPECT_EQ(prompt.texts(), (Texts{"There was an Error reading Selected File",
                                     "There was an Error reading Selected File",
                                     "Error reading source file text.ZVR"}));
    EXPECT_EQ(ops.temporaryDocument(), nullptr);
}

}  // namespace
}  // namespace zvr
