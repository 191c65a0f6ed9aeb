#include "comm/serial_port.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>

#include "support/pty_peer.h"
#include "support/sample_definitions.h"

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

// The name of the group that owns path.
std::string GroupOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return "";
    const group* owner = ::getgrgid(info.st_gid);
    return owner != nullptr ? owner->gr_name : "";
}

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

TEST(SerialPort, TheSecondOpenerOfAPortIsRefused) {
    PtyPeer peer;
    RecordingPort first;
    RecordingPort second;
    ASSERT_EQ(first.Open(peer.path(), kTicks), 0);
    EXPECT_EQ(second.Open(peer.path(), kTicks), -1);
    EXPECT_EQ(DescribeOpenFailure(peer.path()), "in use by another program");
    first.Close();
    EXPECT_EQ(DescribeOpenFailure(peer.path()), "");  // opens now: no reason to give
}

TEST(SerialPort, APermissionFailureSaysWhichGroupGivesAccess) {
    // The device's own group is named; root owns this test's file, so the group is root's.
    std::ofstream("device") << "";
    const std::string text = OpenErrorText("device", EACCES);
    EXPECT_EQ(text.rfind("Permission denied. ", 0), 0u) << text;
    EXPECT_NE(text.find("'" + GroupOf("device") + "'"), std::string::npos) << text;
    EXPECT_NE(text.find("usermod -aG " + GroupOf("device") + " $USER"), std::string::npos);
    // Without a device to look at, the usual group of serial devices.
    EXPECT_NE(OpenErrorText("/dev/no-such-port", EACCES).find("'dialout'"), std::string::npos);
    EXPECT_EQ(OpenErrorText("/dev/no-such-port", ENOENT), "No such file or directory");
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
