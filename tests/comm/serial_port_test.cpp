#include "comm/serial_port.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>

#include "comm/serial_port_list.h"
#include "support/pty_peer.h"
#include "support/sample_definitions.h"
#include "support/unprivileged.h"

namespace zvr {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::PtyPeer;

// Records what the receive thread hands over.
class RecordingPort : public CSerialPort {
public:
    ~RecordingPort() override { Close(); }

    struct Event {
        enum Kind { Received, CommError, DemoTick } kind;
        Bytes bytes;
        std::string text;
    };

    std::atomic<int> linkLost{0};

    std::optional<Event> next(std::chrono::milliseconds timeout = 3s) {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, timeout, [this] { return !events_.empty(); })) {
            return std::nullopt;
        }
        Event event = events_.front();
        events_.erase(events_.begin());
        return event;
    }

    size_t pending() {
        std::lock_guard lock(mutex_);
        return events_.size();
    }

    int sendBytes(const Bytes& bytes, bool expectReply, size_t expected) {
        return Send(bytes.data(), bytes.size(), expectReply, expected);
    }

protected:
    void OnReceive(const uint8_t* bytes, size_t length) override {
        add({Event::Received, Bytes(bytes, bytes + length), {}});
    }
    void OnCommError(int code, const std::string& text) override {
        add({Event::CommError, {}, std::to_string(code) + " " + text});
    }
    void OnDemoTick() override { add({Event::DemoTick, {}, {}}); }
    void OnLinkLost() override { ++linkLost; }

private:
    void add(Event event) {
        {
            std::lock_guard lock(mutex_);
            events_.push_back(std::move(event));
        }
        arrived_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Event> events_;
};

const Bytes kRead12 = {0x03, 0x09, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5};  // expects 12 bytes back
constexpr int kTicks = 20;  // about 400 ms of silence before a time-out

TEST(SerialPort, OpenAndCloseResults) {
    RecordingPort port;
    EXPECT_EQ(port.Close(), -1);
    EXPECT_EQ(port.Open("DEMO", 150), 0);
    EXPECT_TRUE(port.IsDemo());
    EXPECT_EQ(port.TimeoutTicks(), 10);
    EXPECT_EQ(port.Open("/dev/does-not-exist", 150), -1);  // reopening closes first
    EXPECT_TRUE(port.IsOpen());
    EXPECT_FALSE(port.IsDemo());
    EXPECT_EQ(port.Close(), 0);
    std::ofstream("plain-file") << "not a tty";
    EXPECT_EQ(port.Open("plain-file", 150), -2);
    EXPECT_EQ(port.Close(), 0);
    EXPECT_EQ(port.Close(), -1);
    EXPECT_EQ(port.sendBytes({1}, false, 0), -1);
}

TEST(SerialPort, PortNamesMapToDevices) {
    EXPECT_EQ(SerialDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(SerialDevicePath("COM12"), "/dev/ttyS11");
    EXPECT_EQ(SerialDevicePath("COM0"), "COM0");
    EXPECT_EQ(SerialDevicePath("COM"), "COM");
    EXPECT_EQ(SerialDevicePath("COM1x"), "COM1x");
    EXPECT_EQ(SerialDevicePath("COM99999999999999999999"), "COM99999999999999999999");
    EXPECT_EQ(SerialDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
}

// Only ports with hardware behind them are offered; USB adapters say what they are.
TEST(SerialPortList, PortsThatExistWithTheirUsbIdentity) {
    struct Case {
        const char* what;
        TtyDeviceFacts facts;
        bool offered;
        std::string description;
    };
    const Case cases[] = {
        {"virtual console", {.hasDevice = false}, false, ""},
        {"UART slot without a chip", {.hasDevice = true, .uartType = "0"}, false, ""},
        {"built-in 16550A", {.hasDevice = true, .uartType = "4"}, true, ""},
        {"USB adapter",
         {true, "", "0403", "6001", "FTDI", "FT232R USB UART", "A1B2C3"},
         true,
         "FTDI FT232R USB UART (0403:6001, serial A1B2C3)"},
        {"USB adapter without strings",
         {true, "", "067b", "2303", "", "", ""},
         true,
         "(067b:2303)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsPresentSerialPort(c.facts), c.offered) << c.what;
        EXPECT_EQ(UsbDescription(c.facts), c.description) << c.what;
    }
    const std::vector<SerialPortEntry> ports = ListSerialPorts({"link-a", "link-a", "link-b"});
    ASSERT_GE(ports.size(), 2u);
    EXPECT_EQ(ports[ports.size() - 2].path, "link-a");
    EXPECT_EQ(ports.back().path, "link-b");
    for (size_t i = 0; i + 2 < ports.size(); ++i) {
        EXPECT_TRUE(std::filesystem::exists(ports[i].path)) << ports[i].path;
    }
}

TEST(SerialPort, TheSecondOpenerOfAPortIsRefused) {
    PtyPeer peer;
    RecordingPort first;
    RecordingPort second;
    ASSERT_EQ(first.Open(peer.path(), kTicks), 0);
    EXPECT_EQ(second.Open(peer.path(), kTicks), -1);
    first.Close();
    EXPECT_EQ(DescribeOpenFailure(peer.path()), "");  // opens now: no reason to give
}

// Root ignores a terminal's exclusive flag, so only an ordinary user sees a port that stays
// exclusive after it was closed: with the far end still open (a simulator's link) the next
// command was refused as busy.
TEST(SerialPort, AClosedPortOpensAgainForAnOrdinaryUser) {
    const test::UnprivilegedRun run = test::RunUnprivileged([] {
        std::string failures;
        PtyPeer peer;
        for (int command = 1; command <= 3; ++command) {
            RecordingPort port;
            if (port.Open(peer.path(), kTicks) != 0) {
                failures += "open " + std::to_string(command) +
                            " refused: " + DescribeOpenFailure(peer.path()) + "\n";
            }
            // While it is held, a look at why it fails says so and leaves it held.
            if (DescribeOpenFailure(peer.path()).rfind("in use by ", 0) != 0)
                failures += "a held port is not reported busy\n";
            if (RecordingPort other; other.Open(peer.path(), kTicks) == 0)
                failures += "a held port opened twice\n";
        }
        if (const std::string reason = DescribeOpenFailure(peer.path()); !reason.empty())
            failures += "after the probes: " + reason + "\n";
        std::unique_ptr<SerialDevice> device;
        if (OpenSerialDevice(peer.path(), device) != 0) failures += "the device stays exclusive\n";
        return failures;
    });
    if (!run.ran) GTEST_SKIP() << run.skipReason;
    EXPECT_EQ(run.failure, "");
}

TEST(SerialPort, RepliesAreAssembledFromPieces) {
    PtyPeer peer;
    RecordingPort port;
    ASSERT_EQ(port.Open(peer.path(), kTicks), 0);
    const Bytes reply = {0x03, 0x0B, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

    port.sendBytes(kRead12, true, 12);
    EXPECT_EQ(peer.read(12), kRead12);
    peer.write(Bytes(reply.begin(), reply.begin() + 5));
    std::this_thread::sleep_for(15ms);
    peer.write(Bytes(reply.begin() + 5, reply.end()));
    auto event = port.next();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->kind, RecordingPort::Event::Received);
    EXPECT_EQ(event->bytes, reply);

    // A lone NAK is a whole reply at once.
    port.sendBytes(kRead12, true, 12);
    peer.write({0x15});
    event = port.next(300ms);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->bytes, Bytes{0x15});

    // A reply that stops short comes with what arrived once the countdown runs down: no
    // time-out is reported for it.
    port.sendBytes(kRead12, true, 12);
    peer.write(Bytes(reply.begin(), reply.begin() + 8));
    event = port.next();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->kind, RecordingPort::Event::Received);
    EXPECT_EQ(event->bytes, Bytes(reply.begin(), reply.begin() + 8));
    EXPECT_FALSE(port.next(600ms));
}

TEST(SerialPort, EachArmedSendTimesOutExactlyOnce) {
    PtyPeer peer;
    RecordingPort port;
    ASSERT_EQ(port.Open(peer.path(), kTicks), 0);
    port.sendBytes(kRead12, true, 12);
    auto event = port.next();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->kind, RecordingPort::Event::CommError);
    EXPECT_EQ(event->text, "-1 Serial Comm Time Out");
    EXPECT_FALSE(port.next(800ms));

    // A send that expects nothing cancels the time-out still pending.
    port.sendBytes(kRead12, true, 12);
    port.sendBytes({0x02, 0x02, 0x01, 0xFB}, false, 0);
    EXPECT_FALSE(port.next(800ms));
}

TEST(SerialPort, DemoLinkTicksWithoutADevice) {
    RecordingPort port;
    ASSERT_EQ(port.Open("DEMO", 150), 0);
    const auto start = std::chrono::steady_clock::now();
    port.sendBytes({0x06, 0x03, 0, 0, 0xF7}, true, 12);
    auto event = port.next(1s);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->kind, RecordingPort::Event::DemoTick);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 80ms);
    EXPECT_FALSE(port.next(300ms));
}

TEST(SerialPort, BytesNobodyAwaitsAreStillDelivered) {
    PtyPeer peer;
    RecordingPort port;
    ASSERT_EQ(port.Open(peer.path(), kTicks), 0);
    peer.write({0xAA, 0xBB});
    auto event = port.next();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->bytes, (Bytes{0xAA, 0xBB}));
}

// Close writes the log out after the receive thread has ended and waits for the writer, so
// a new Open starts a log of its own: nothing of the last link reappears in it.
TEST(SerialPort, ReopeningStartsAFreshLog) {
    PtyPeer peer;
    RecordingPort port;
    for (int round = 0; round < 5; ++round) {
        ASSERT_EQ(port.Open(peer.path(), kTicks), 0);
        for (int line = 0; line < 2000; ++line)
            port.Log().AddLine("old traffic line of round " + std::to_string(round));
        port.Close();
        ASSERT_EQ(port.Open("DEMO", kTicks), 0);
        port.Close();
        EXPECT_EQ(test::ReadBytes("Log.txt"), "Serial Com Opened\r\n") << "round " << round;
    }
}

// Only a regular file is removed at open: a pipe named as the log stays what it is (a device
// such as /dev/null would be written to, never removed).
TEST(SerialPort, LogThatIsNotARegularFileIsKept) {
    ASSERT_EQ(::mkfifo("log-pipe", 0600), 0);
    {
        CSerialPort port("log-pipe");
        ASSERT_EQ(port.Open("DEMO", kTicks), 0);
        port.Close();
    }
    struct stat after {};
    ASSERT_EQ(::lstat("log-pipe", &after), 0);
    EXPECT_TRUE(S_ISFIFO(after.st_mode));

    std::filesystem::create_directory("a-folder");
    std::ofstream("Log.txt") << "x";
    struct Case {
        std::string path;
        bool usable;
    };
    const Case cases[] = {{"/dev/null", true},
                          {"not-there-yet.txt", true},
                          {"Log.txt", true},
                          {"a-folder", false},
                          {"log-pipe", false}};
    for (const Case& c : cases) {
        EXPECT_EQ(!LogPathProblem(c.path).has_value(), c.usable) << c.path;
    }
    EXPECT_EQ(*LogPathProblem("a-folder"),
              "a-folder is a folder: the traffic log must be a regular file");
}

TEST(SerialPort, TrafficIsLogged) {
    PtyPeer peer;
    {
        RecordingPort port;
        ASSERT_EQ(port.Open(peer.path(), kTicks), 0);
        port.sendBytes({0x03, 0x03, 0x00, 0x10, 0xEA}, true, 5);
        peer.read(5);
        peer.write({0x03, 0x03, 0x12, 0x34, 0xB4});
        ASSERT_TRUE(port.next());
    }
    EXPECT_EQ(test::ReadBytes("Log.txt"),
              "Serial Com Opened\r\n"
              " SEND 5 Bytes:  03 03 00 10 EA\r\n"
              " RECV 5 Bytes:  03 03 12 34 B4\r\n");
}

// Waits until the condition holds, checking every millisecond; false after the limit.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 3s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Noise has left the start of a reply in the link's assembly when the owner purges the
// input: the purge drops it too, so the next reply is read whole and in step.
TEST(SerialPort, PurgeDropsAReplyHalfAssembled) {
    PtyPeer peer;
    RecordingPort port;
    // A long time-out: the noise must still be held when the purge comes, however slow the
    // machine is, not delivered as a short reply.
    ASSERT_EQ(port.Open(peer.path(), 150), 0);
    const Bytes reply = {0x03, 0x0B, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    for (const Bytes& noise :
         {Bytes{0x07}, Bytes{0x07, 0x00, 0x01}, Bytes{0x06, 0x0A, 0x5A, 0x56, 0x58}}) {
        port.sendBytes(kRead12, true, 12);
        ASSERT_EQ(peer.read(12), kRead12);
        peer.write(noise);
        // Long enough for the receive thread to take the noise in, far short of the time-out.
        std::this_thread::sleep_for(60ms);
        port.PurgeInput();
        port.sendBytes(kRead12, true, 12);
        ASSERT_EQ(peer.read(12), kRead12);
        peer.write(reply);
        const auto event = port.next();
        ASSERT_TRUE(event) << noise.size() << " stray bytes";
        EXPECT_EQ(event->bytes, reply) << noise.size() << " stray bytes";
        EXPECT_FALSE(port.next(100ms)) << noise.size() << " stray bytes";
    }
}

// A pulled adapter: the device reports a hang-up at once on every poll. The link says so
// once and keeps its tick of 10-20 ms instead of spinning on the dead device.
TEST(SerialPort, HungUpDeviceIsReportedOnceAndKeepsTheTick) {
    PtyPeer peer;
    RecordingPort port;
    ASSERT_EQ(port.Open(peer.path(), kTicks), 0);
    EXPECT_FALSE(port.LinkLost());
    peer.hangUp();
    ASSERT_TRUE(WaitUntil([&] { return port.LinkLost(); }));
    const uint64_t first = port.ReceivePasses();
    const auto start = std::chrono::steady_clock::now();
    constexpr int kPasses = 20;
    ASSERT_TRUE(WaitUntil([&] { return port.ReceivePasses() >= first + kPasses; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, kPasses * 8ms);
    EXPECT_EQ(port.linkLost, 1);
}

// The adapter is pulled out while the link is open: requests time out, nothing crashes, and
// Close still ends the receive thread.
TEST(SerialPort, DeviceThatDisappearsTimesOutAndClosesCleanly) {
    PtyPeer peer;
    RecordingPort port;
    ASSERT_EQ(port.Open(peer.path(), kTicks), 0);
    peer.hangUp();
    port.sendBytes(kRead12, true, 12);
    auto event = port.next();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->kind, RecordingPort::Event::CommError);
    EXPECT_EQ(port.Close(), 0);
}

}  // namespace
}  // namespace zvr
