#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zvr::test {

using Bytes = std::vector<uint8_t>;

// The far end of a real pseudo-terminal: the link under test opens path(), the test reads
// what was sent and writes the controller's side of the conversation.
class PtyPeer {
public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& path() const { return path_; }

    // Reads exactly size bytes, or what came before the timeout.
    Bytes read(size_t size, std::chrono::milliseconds timeout = std::chrono::seconds(2));
    // Reads one framed message (type, length, length more bytes), or what came before the
    // timeout.
    Bytes readMessage(std::chrono::milliseconds timeout = std::chrono::seconds(2));
    // Everything that arrives within the window.
    Bytes drain(std::chrono::milliseconds window);
    void write(const Bytes& bytes);
    // Writes one byte at a time, as a line at the given baud rate would deliver them.
    void writePaced(const Bytes& bytes, std::chrono::microseconds perByte);
    // The device disappears: the link's reads see a hang-up from now on.
    void hangUp();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

// A controller on a pty that answers each request it reads with the replies a script
// returns (none to stay silent). Runs on its own thread until destroyed.
class ScriptedController {
public:
    using Script = std::function<std::vector<Bytes>(const Bytes& request)>;

    explicit ScriptedController(Script script,
                                std::chrono::microseconds perByte = std::chrono::microseconds(0));
    ~ScriptedController();

    const std::string& path() const { return peer_.path(); }
    // Writes bytes this long from now, while the controller goes on answering: a reply that
    // comes late. May be called from the script.
    void sendLater(Bytes bytes, std::chrono::milliseconds after);
    // Every request read so far.
    std::vector<Bytes> requests();
    // Waits until at least n requests have been read.
    bool waitForRequests(size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(3));

private:
    void run();
    void send(const Bytes& bytes);
    void sendDue();

    PtyPeer peer_;
    Script script_;
    std::chrono::microseconds perByte_;
    std::mutex mutex_;
    std::vector<Bytes> requests_;
    std::vector<std::pair<std::chrono::steady_clock::time_point, Bytes>> later_;
    std::atomic<bool> running_{true};
    std::thread thread_;
};

// Frames a reply the way a controller does: type, length, payload, checksum.
Bytes Reply(uint8_t type, const Bytes& payload);

// A layout '1' identification reply naming this strategy file ("ZVX41R03"): its first six
// characters, the number its last two spell, 0, and whether access is open.
Bytes IdentifyReply(const std::string& strategy, bool accessOpen);

}  // namespace zvr::test
