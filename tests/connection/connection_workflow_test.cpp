#include "connection/connection_workflow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <utility>

#include "connection/command_ids.h"
#include "connection/controller_model.h"
#include "connection/controller_session.h"
#include "definitions/cal_file.h"
#include "settings/memory_settings_store.h"
#include "support/pty_peer.h"
#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"

namespace zvr {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::Reply;
using test::ScriptedController;

// What the main window was told to show.
class RecordingShell : public ConnectionShell {
public:
    std::map<int, std::string> panes;
    std::string caption;
    std::string menu = "none";
    std::string marked;
    int portDialogs = 0;
    std::vector<int> commands;
    std::optional<int> exitCode;

    void SetPane(int pane, const std::string& text) override { panes[pane] = text; }
    void SetCaption(const std::string& text) override { caption = text; }
    void ShowNoControllerMenu() override { menu = "no controller"; }
    void ShowFullMenu(const std::string& productWord) override { menu = "full " + productWord; }
    void MarkPortEntry(const std::string& portName) override { marked = portName; }
    void ShowPortDialog() override { ++portDialogs; }
    void PostCommand(int command) override { commands.push_back(command); }
    void ExitProgram(int code) override { exitCode = code; }
    void WatchForDevice(const std::string& path) override { watched = path; }
    std::string watched;
};

// The update hints the document's views were given.
struct RecordingView : DocumentView {
    std::vector<int> hints;
    void OnDocumentUpdate(int hint) override { hints.push_back(hint); }
};

Bytes IdentifyReply(Bytes elevenBytes) {
    elevenBytes.push_back(Checksum(elevenBytes));
    return elevenBytes;
}

// A ZEVAR 740 that names ZVXA1S07.000 and reports the given fault flags; it stays silent to
// the first `silentIdentifies` identify requests, puts `noise` on the line in front of its
// first identification reply, and may refuse the fault-flag read with a NAK.
struct Controller740 {
    std::mutex mutex;
    int silentIdentifies = 0;
    uint8_t faultFlags = 0;
    Bytes noise;
    bool refuseReads = false;

    std::vector<Bytes> answer(const Bytes& request) {
        std::lock_guard lock(mutex);
        if (request[0] == kIdentify) {
            if (silentIdentifies > 0) {
                --silentIdentifies;
                return {};
            }
            Bytes reply = std::exchange(noise, {});
            const Bytes id = IdentifyReply({6, 10, 'Z', 'V', 'X', 'A', '1', 'S', 7, 0, 0x01});
            reply.insert(reply.end(), id.begin(), id.end());
            return {reply};
        }
        if (request[0] == kContinuousRead) {
            if (refuseReads) return {{kNak}};
            return {Reply(kContinuousRead, {faultFlags, 0x00})};
        }
        return {};
    }
};

size_t RequestsOfType(ScriptedController& controller, uint8_t type) {
    size_t count = 0;
    for (const Bytes& request : controller.requests())
        count += request[0] == type;
    return count;
}

// Bytes that arrive at 9600 baud: about a millisecond each.
constexpr auto kWireByte = 1042us;

class ConnectionWorkflowTest : public testing::Test {
protected:
    ConnectionWorkflowTest() {
        DefinitionSet strategy;
        strategy.header.strategyName = "ZVXA1S";
        strategy.variables.insert(
            {.scaling = {'$', 1, 0}, .ramAddress = 0x0200, .name = "fault_flags1", .units = ""});
        test::WrittenBytes(strategy, "ZVXA1S07.000");
        strategy.header.strategyName = "ZVX740";
        test::WrittenBytes(strategy, "DEMO740.000");
        workflow.SetReceiver(receiver);
        workflow.SetTimeoutTicks(15);  // a silent controller times out in about 300 ms
    }

    ~ConnectionWorkflowTest() override { document.Close(); }

    // Hands the link's notifications to the workflow until the condition holds.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            if (auto message = receiver->wait(50ms)) workflow.OnMessage(*message);
        }
        return true;
    }

    Controller740 fake;
    ScriptedController controller{[this](const Bytes& request) { return fake.answer(request); }};
    CDataServer document;
    MemorySettingsStore store;
    CRegistrySettings settings{store};
    RecordingShell shell;
    test::ScriptedPrompt prompt;
    std::shared_ptr<QueueReceiver> receiver = std::make_shared<QueueReceiver>();
    ConnectionWorkflow workflow{document, settings, shell, prompt,
                                [](const std::string& name) -> std::optional<std::string> {
                                    if (std::filesystem::exists(name)) return name;
                                    return std::nullopt;
                                }};
};

TEST_F(ConnectionWorkflowTest, NoStoredPortOrADemoKeyAsksForOne) {
    for (const char* stored : {"", "DEMO880"}) {
        store.strings["ComPort"] = stored;
        workflow.Start();
        EXPECT_EQ(shell.menu, "no controller");
        EXPECT_EQ(shell.panes[0], "Select a new Port or Demo Mode");
        EXPECT_FALSE(document.IsOpen()) << stored;
    }
    EXPECT_EQ(shell.portDialogs, 2);
    EXPECT_EQ(PortDialogButtonFor("DEMO880"), 1173);
}

TEST_F(ConnectionWorkflowTest, StoredPortConnectsAndLoadsTheStrategyItNames) {
    store.strings["ComPort"] = controller.path();
    workflow.Start();
    ASSERT_TRUE(pumpUntil([&] { return shell.panes[0] == "Ready"; }));
    EXPECT_EQ(shell.caption, "ZEVAR 740");
    EXPECT_EQ(shell.menu, "full ZEVAR");
    EXPECT_EQ(shell.panes[1], controller.path());
    EXPECT_EQ(shell.marked, controller.path());
    EXPECT_EQ(document.definitions.filePath, "ZVXA1S07.000");
    EXPECT_EQ(workflow.State(), ConnectionState::Connected);
    EXPECT_NE(workflow.ConnectedOnce(), -1);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(ControlStrategyText(document.GetIdentification()),
              "\r\nModel:\tZEVAR 740\t \r\nStrategy:\tS07\t \r\n");
}

TEST_F(ConnectionWorkflowTest, FaultFlagsOfferDisplayFaultsBeforeTheWizard) {
    struct Case {
        uint8_t flags;
        std::vector<int> commands;
    };
    const Case cases[] = {
        {0x00, {}},
        {0x01, {kCmdCalibrationWizard}},
        {0x02, {kCmdDisplayFaults}},
        {0x03, {kCmdDisplayFaults}},
    };
    for (const auto& c : cases) {
        {
            std::lock_guard lock(fake.mutex);
            fake.faultFlags = c.flags;
        }
        shell.commands.clear();
        workflow.PortChosen(controller.path());
        ASSERT_TRUE(pumpUntil([&] { return document.PendingType() == kStopRead; }));
        EXPECT_EQ(shell.commands, c.commands) << int(c.flags);
    }
}

// A window that starts its own read while the fault flags are on their way keeps it: the
// connection neither stops it nor reads the window's values as fault flags.
TEST_F(ConnectionWorkflowTest, AReadStartedDuringTheFaultCheckGoesOn) {
    {
        std::lock_guard lock(fake.mutex);
        fake.faultFlags = 0x02;  // would offer Display Faults
    }
    workflow.PortChosen(controller.path());
    ASSERT_TRUE(pumpUntil([&] { return document.PendingType() == kContinuousRead; }));
    const std::optional<PostedMessage> flags = receiver->wait(5s);
    ASSERT_TRUE(flags.has_value());

    auto view = std::make_shared<QueueReceiver>();
    const uint16_t address[] = {0x0200};
    ASSERT_EQ(document.RequestReadVariables(address, view, 1127, 1128), 0);
    workflow.OnMessage(*flags);
    pumpUntil([] { return false; }, 200ms);

    EXPECT_EQ(document.PendingType(), kContinuousRead);
    EXPECT_EQ(RequestsOfType(controller, kStopRead), 1u);  // only the one at open
    EXPECT_TRUE(shell.commands.empty());
    const std::optional<PostedMessage> values = view->wait(5s);
    ASSERT_TRUE(values.has_value());
    EXPECT_EQ(values->message, 1127u);
}

TEST_F(ConnectionWorkflowTest, FourFailuresThenOneRetryQuestion) {
    {
        std::lock_guard lock(fake.mutex);
        fake.silentIdentifies = 5;
    }
    prompt.answers = {PromptAnswer::Yes, PromptAnswer::Yes};
    workflow.OpenPort(controller.path());
    ASSERT_TRUE(pumpUntil([&] { return shell.panes[0] == "Ready"; }, 20s));
    // Four attempts, one question (Yes), a fifth attempt, a second question (Yes), a sixth.
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[0].text, "Could not find controller on open port. Retry Query?");
    EXPECT_EQ(prompt.shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompt.shown[0].icon, PromptIcon::Error);
    size_t identifies = 0;
    for (const Bytes& request : controller.requests())
        identifies += request[0] == kIdentify;
    EXPECT_EQ(identifies, 6u);
}

// Line noise in front of an identification reply spoils that attempt only: the purge before
// the retry drops every byte the link held back, so the retry is read in step.
TEST_F(ConnectionWorkflowTest, NoiseBeforeTheIdentificationCostsOneRetry) {
    const Bytes patterns[] = {
        {0x00},
        {0x15},  // a NAK, which is a whole reply of its own
        {0xFF, 0x06},
        {0x07, 0x00, 0x01},
        {0x06, 0x0A, 0x5A, 0x56},
        {0x03, 0x03, 0x12, 0x34, 0xB4},  // a whole stale read reply
    };
    workflow.SetTimeoutTicks(150);  // a slow machine must not turn a retry into a time-out
    for (const Bytes& noise : patterns) {
        {
            std::lock_guard lock(fake.mutex);
            fake.noise = noise;
        }
        ScriptedController line([this](const Bytes& r) { return fake.answer(r); }, kWireByte);
        shell.panes.clear();
        prompt.answers = {PromptAnswer::No};
        workflow.OpenPort(line.path());
        ASSERT_TRUE(pumpUntil([&] { return shell.panes[0] == "Ready" || shell.portDialogs > 0; }))
            << noise.size() << " stray bytes";
        EXPECT_EQ(shell.panes[0], "Ready") << noise.size() << " stray bytes";
        EXPECT_LE(RequestsOfType(line, kIdentify), 2u) << noise.size() << " stray bytes";
        pumpUntil([&] { return !workflow.CheckingFaultFlags(); });
        document.Close();
    }
    EXPECT_TRUE(prompt.shown.empty());
}

// A controller that refuses the fault-flag read: connecting ends with the line's own
// time-out, and the controller is told to stop rather than left in a continuous read.
TEST_F(ConnectionWorkflowTest, RefusedFaultFlagReadEndsAndStops) {
    {
        std::lock_guard lock(fake.mutex);
        fake.refuseReads = true;
    }
    ControllerSession session(
        document, prompt, [](const std::string& name) { return std::optional<std::string>(name); });
    session.SetTimeoutTicks(15);
    ASSERT_TRUE(session.Connect(controller.path(), 20s));
    EXPECT_EQ(document.PendingType(), kStopRead);
    ASSERT_TRUE(controller.waitForRequests(4));  // stop at open, identify, read, stop
    const std::vector<Bytes> requests = controller.requests();
    EXPECT_EQ(requests.back()[0], kStopRead);
    EXPECT_EQ(RequestsOfType(controller, kContinuousRead), 1u);
}

// The adapter is pulled out: the program says so, every view stops reading and the dead
// device is let go; when the same path returns, the controller is identified again without
// a question, the views (on the same strategy) stay open, and once the fault flags have been
// looked at, the views that were reading read again.
TEST_F(ConnectionWorkflowTest, PulledAdapterIsWaitedForAndReconnected) {
    RecordingView view;
    document.AddView(&view);
    auto answer = [this](const Bytes& request) { return fake.answer(request); };
    auto first = std::make_unique<ScriptedController>(answer);
    std::filesystem::create_symlink(first->path(), "adapter");
    workflow.PortChosen("adapter");
    ASSERT_TRUE(
        pumpUntil([&] { return shell.panes[0] == "Ready" && !workflow.CheckingFaultFlags(); }));
    view.hints.clear();

    first.reset();  // both ends of the line close: the device node goes away
    ASSERT_TRUE(pumpUntil([&] { return !shell.watched.empty(); }));
    EXPECT_EQ(shell.watched, "adapter");
    EXPECT_EQ(shell.panes[0], "Controller link lost: waiting for adapter to return");
    EXPECT_EQ(shell.panes[1], "adapter (lost)");
    EXPECT_EQ(shell.menu, "no controller");
    EXPECT_EQ(view.hints, std::vector<int>{kHintLinkLost});
    EXPECT_FALSE(document.IsOpen());
    EXPECT_TRUE(workflow.WaitingForDevice());
    EXPECT_EQ(workflow.State(), ConnectionState::LinkLost);
    EXPECT_FALSE(workflow.IsConnected());

    ScriptedController second(answer);
    std::filesystem::remove("adapter");
    std::filesystem::create_symlink(second.path(), "adapter");
    workflow.DeviceReturned();
    ASSERT_TRUE(pumpUntil([&] { return shell.panes[0] == "Ready"; }));
    EXPECT_EQ(shell.panes[1], "adapter");
    EXPECT_EQ(shell.menu, "full ZEVAR");
    EXPECT_FALSE(workflow.WaitingForDevice());
    EXPECT_EQ(workflow.State(), ConnectionState::Connected);
    EXPECT_EQ(RequestsOfType(second, kIdentify), 1u);
    ASSERT_TRUE(pumpUntil([&] { return !workflow.CheckingFaultFlags(); }));
    // Tables kept, views stay, and read again.
    EXPECT_EQ(view.hints, (std::vector<int>{kHintLinkLost, kHintLinkBack}));
    EXPECT_TRUE(prompt.shown.empty());
    document.RemoveView(&view);
}

TEST_F(ConnectionWorkflowTest, NoToTheRetryQuestionAsksForAnotherPort) {
    {
        std::lock_guard lock(fake.mutex);
        fake.silentIdentifies = 100;
    }
    prompt.answers = {PromptAnswer::No};
    workflow.OpenPort(controller.path());
    ASSERT_TRUE(pumpUntil([&] { return shell.portDialogs == 1; }, 20s));
    EXPECT_EQ(shell.panes[0], "Select a new Port or Demo Mode");
    EXPECT_EQ(workflow.State(), ConnectionState::NoAnswer);
    EXPECT_FALSE(workflow.IsConnected());
    workflow.PortDialogCancelled();
    EXPECT_EQ(shell.exitCode, -1);  // never connected: cancelling ends the program
}

TEST_F(ConnectionWorkflowTest, CancelAfterAConnectionKeepsIt) {
    workflow.PortChosen("DEMO740");
    workflow.PortDialogCancelled();
    EXPECT_FALSE(shell.exitCode);
    EXPECT_TRUE(document.IsOpen());
}

TEST_F(ConnectionWorkflowTest, PortsThatCannotBeOpenedSayWhy) {
    std::ofstream("not-a-tty") << "x";
    std::filesystem::create_directory("a-folder");
    struct Case {
        const char* port;
        const char* reason;
    };
    const Case cases[] = {
        {"/dev/no-such-port", "No such file or directory"},
        {"not-a-tty", "a regular file, not a serial device"},
        {"a-folder", "Is a directory"},
    };
    for (const Case& c : cases) {
        workflow.PortChosen(c.port);
        EXPECT_EQ(shell.panes[0], "Select a new Port or Demo Mode");
        EXPECT_EQ(prompt.texts().back(),
                  std::string("Could NOT open port ") + c.port + "\n" + c.reason);
        EXPECT_EQ(store.strings["ComPort"], c.port);
        EXPECT_EQ(workflow.State(), ConnectionState::NotConnected);
    }
    EXPECT_EQ(shell.portDialogs, 3);
}

TEST_F(ConnectionWorkflowTest, MissingStrategyEndsTheProgram) {
    std::filesystem::remove("ZVXA1S07.000");
    workflow.OpenPort(controller.path());
    ASSERT_TRUE(pumpUntil([&] { return shell.exitCode.has_value(); }));
    EXPECT_EQ(*shell.exitCode, -1);
    EXPECT_EQ(workflow.State(), ConnectionState::NotConnected);
    EXPECT_EQ(prompt.texts().back(),
              "Controller Found, but could not open and read cal file 'ZVXA1S07.000'");
}

TEST_F(ConnectionWorkflowTest, DemoModeFromItsStrategyFile) {
    workflow.PortChosen("DEMO740");
    EXPECT_EQ(store.strings["ComPort"], "DEMO740");
    EXPECT_EQ(shell.caption, "ZVR Demo - ZEVAR 740");
    EXPECT_EQ(shell.panes[0], "Demo mode Started");
    EXPECT_EQ(shell.panes[1], "DEMO");
    EXPECT_EQ(shell.menu, "full ZEVAR");
    EXPECT_EQ(shell.marked, "DEMO740");
    EXPECT_EQ(ConfigureEntryFor("DEMO740"), 32797);  // the ZEVAR 740 DEMO entry
    EXPECT_EQ(workflow.ConnectedOnce(), 0);
    EXPECT_EQ(workflow.State(), ConnectionState::Demo);
    EXPECT_TRUE(workflow.IsConnected());
    EXPECT_EQ(ControlStrategyText(document.GetIdentification()),
              "\r\nModel:\tDEMO\t \r\nStrategy:\tN/A\t \r\n");

    workflow.PortChosen("DEMO880");  // no DEMO880.000 here
    EXPECT_EQ(prompt.texts().back(), "Could not open or read Demo File: DEMO880.000");
    EXPECT_EQ(shell.portDialogs, 1);
    EXPECT_EQ(workflow.State(), ConnectionState::NotConnected);
}

// The command line's session tells why it could not connect from the workflow's state.
TEST_F(ConnectionWorkflowTest, SessionNamesWhyItCouldNotConnect) {
    ControllerSession session(document, prompt, [](const std::string& name) {
        return std::filesystem::exists(name) ? std::optional<std::string>(name) : std::nullopt;
    });
    session.SetTimeoutTicks(15);
    EXPECT_FALSE(session.Connect("/dev/no-such-port", 5s));
    EXPECT_EQ(session.failure(),
              "could not open port /dev/no-such-port: No such file or directory");

    {
        std::lock_guard lock(fake.mutex);
        fake.silentIdentifies = 100;
    }
    prompt.answers = {PromptAnswer::No};
    EXPECT_FALSE(session.Connect(controller.path(), 20s));
    EXPECT_EQ(session.failure(), "the controller does not answer");

    {
        std::lock_guard lock(fake.mutex);
        fake.silentIdentifies = 0;
    }
    EXPECT_TRUE(session.Connect(controller.path(), 20s));
    EXPECT_EQ(session.failure(), "");
}

TEST(ControllerModel, NamesNumbersAndProductWords) {
    EXPECT_EQ(PortNumber("COM3"), 3);
    EXPECT_EQ(PortNumber("COM12"), 12);
    EXPECT_EQ(PortNumber("/dev/ttyUSB0"), 0);
    EXPECT_EQ(PortNumber("CO"), 0);
    EXPECT_EQ(ConfigureEntryFor("COM1"), kCmdCom1);
    EXPECT_EQ(ConfigureEntryFor("COM7"), kCmdCustomPort);
    EXPECT_EQ(ConfigureEntryFor("DEMOKMS2"), 32816);  // the KMS-2 DEMO entry
    EXPECT_EQ(PortDialogButtonFor("COM7"), kButtonCustom);
    EXPECT_TRUE(IsDemoKey("DEMO"));
    EXPECT_FALSE(IsDemoKey("demo740"));
    EXPECT_EQ(ProductWord("KMS0A1"), "KMS-2");
    EXPECT_EQ(ProductWord("RRQ123"), "LPN");
    EXPECT_EQ(ProductWord("ZVX123"), "ZEVAR");
    EXPECT_EQ(ProductMenuText(kCmdDownloadCal, "LPN"), "Download Cal File to LPN");
    EXPECT_EQ(ProductMenuText(kCmdSaveCal, "KMS-2"), "&Save KMS-2 Cal to File");
    EXPECT_FALSE(ProductMenuText(kCmdParameterView, "ZEVAR"));
    EXPECT_EQ(ModelNameForKind(ModelKind::Zevar210), "ZEVAR 210");
    EXPECT_EQ(ModelNameForKind(ModelKind::Unknown), "");
}

TEST(ControllerModel, WizardDispatchByStrategyPrefix) {
    const std::pair<const char*, const char*> cases[] = {
        {"ZVX5ABCD", "ZEVAR 880 Calibration Wizard"}, {"ZVX0123", "ZEVAR 210 Calibration Wizard"},
        {"ZVXA1S", "ZEVAR 740 Calibration Wizard"},   {"Z99A01", "ZEVAR 620 Calibration Wizard"},
        {"RRQ31E", "ECM 310 Calibration Wizard"},     {"KMS01D", "KMS-2 Calibration Wizard"},
    };
    for (auto [name, title] : cases) {
        const ControllerModel* model = WizardModelFor(name);
        ASSERT_NE(model, nullptr) << name;
        EXPECT_STREQ(model->wizardTitle, title);
    }
    EXPECT_EQ(WizardModelFor("zvx5"), nullptr);
    EXPECT_EQ(WizardRefusalText("ABC"),
              "Could not start calibration Wizard. 'ABC' is not a valid file type. Bad *.000 "
              "file.");
}

}  // namespace
}  // namespace zvr
