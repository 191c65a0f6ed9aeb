#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace zvr {

// The rolling traffic log (Log.txt). Lines go into a cache; a short-lived writer thread
// appends the cache to the file, so logging never waits for the disk. The file is kept under
// its maximum size by dropping its oldest lines.
//
// Threads: AddLine and Flush may be called from any thread (the GUI thread and the receive
// thread both log); one writer thread at a time works on the file.
class CLogFile {
public:
    static constexpr const char* kDefaultName = "Log.txt";
    static constexpr const char* kLostLine = "Cache too small. Data was Lost";

    // An empty or over-long (128 characters or more) name means "Log.txt". A maximum of
    // 128 KB or less means 3000 KB; the cache is cacheKB unless that is 0 or not smaller than
    // the maximum, then 128 KB. The file is created if missing and its full path kept.
    CLogFile(std::string_view fileName, size_t maxKB, size_t cacheKB);
    // Writes out the cache and waits for the writer.
    ~CLogFile();

    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // Adds one line (CR LF is appended). Returns the status of a flush it caused: 0, or -5
    // when the cache had to be dropped because the writer was still busy.
    int AddLine(std::string_view text);
    // Hands the cache to a writer thread; wait: first wait for the writer before this one.
    int Flush(bool wait);
    // Writes the cache out and returns once the file holds it: nothing writes to the file
    // afterwards until new lines are flushed.
    void FlushAndWait();

    // The system's error (errno) of the first write to the file that failed (a full disk, a
    // folder that went away), 0 while every write worked. The lines of a failed write are
    // lost; logging goes on.
    int writeError() const { return failure_->load(); }
    // The same, readable after the log is gone (its last lines are written as it goes).
    std::shared_ptr<const std::atomic<int>> writeErrorState() const { return failure_; }

    const std::string& path() const { return path_; }
    size_t maximumBytes() const { return maximum_; }
    size_t cacheBytes() const { return cacheSize_; }

private:
    int flushLocked(bool wait);
    void waitForWriter();
    static void Append(const std::string& path, std::string_view bytes, size_t maximum,
                       size_t cacheSize, std::atomic<int>& failure);

    std::string path_;
    size_t maximum_;
    size_t cacheSize_;

    std::mutex mutex_;  // guards the cache, the status and the writer handle
    std::string cache_;
    int status_ = 0;
    std::thread writer_;
    std::shared_ptr<std::atomic<bool>> writerDone_;
    // Shared with the writer threads, which may outlive a flush call.
    std::shared_ptr<std::atomic<int>> failure_ = std::make_shared<std::atomic<int>>(0);
};

// The log is removed at every port open, but only a regular file is ever removed or
// replaced: a device named as the log (/dev/null) is written to and left in place.
void RemoveLogFile(const std::string& path);
// Why a path cannot be the traffic log (a folder, a pipe, a socket ...); nothing when it can:
// it does not exist yet, or it is a regular file or a character device.
std::optional<std::string> LogPathProblem(const std::string& path);

// Appends bytes to a log file, first cutting its oldest lines when the file would grow past
// maximum. Returns 0, -1 when memory runs out, -3 when the bytes could not all be written,
// -4 when the file cannot be opened; for -3 and -4 the system's error goes to systemError.
int AppendToLogFile(const std::string& path, std::string_view bytes, size_t maximum,
                    size_t cacheSize, int* systemError = nullptr);

}  // namespace zvr
