#include "comm/log_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/sample_definitions.h"

namespace zvr {
namespace {

TEST(LogFile, SizesAndNameFallBackToTheDefaults) {
    struct Case {
        std::string name;
        size_t maxKB, cacheKB;
        std::string file;
        size_t maximum, cache;
    };
    const Case cases[] = {
        {"Log.txt", 3000, 128, "Log.txt", 3072000, 131072},
        {"", 200, 16, "Log.txt", 204800, 16384},
        {std::string(128, 'x'), 100, 0, "Log.txt", 3072000, 131072},
        {"other.log", 128, 4000, "other.log", 3072000, 131072},
        {"small.log", 129, 129, "small.log", 132096, 131072},
    };
    for (const auto& c : cases) {
        CLogFile log(c.name, c.maxKB, c.cacheKB);
        EXPECT_EQ(std::filesystem::path(log.path()).filename(), c.file);
        EXPECT_TRUE(std::filesystem::path(log.path()).is_absolute());
        EXPECT_EQ(log.maximumBytes(), c.maximum);
        EXPECT_EQ(log.cacheBytes(), c.cache);
    }
}

TEST(LogFile, LinesEndInCrLfAndReachTheFile) {
    test::WriteBytes("Log.txt", "older\r\n");
    {
        CLogFile log("Log.txt", 3000, 128);
        log.AddLine("Serial Com Opened");
        log.AddLine(" SEND 1 Bytes:  15");
    }
    EXPECT_EQ(test::ReadBytes("Log.txt"), "older\r\nSerial Com Opened\r\n SEND 1 Bytes:  15\r\n");
}

TEST(LogFile, FullCacheFlushesAndOverlongLinesAreCut) {
    {
        CLogFile log("cut.log", 200, 1);  // a 1024-byte cache
        log.AddLine(std::string(2000, 'a'));
        log.AddLine(std::string(10, 'b'));
    }
    const std::string text = test::ReadBytes("cut.log");
    EXPECT_EQ(text, std::string(1021, 'a') + "\r\n" + std::string(10, 'b') + "\r\n");
}

// Reads what the pipe delivers until `size` bytes came or the time is over.
std::string ReadPipe(int fd, size_t size) {
    std::string seen;
    char buffer[4096];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (seen.size() < size && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) seen.append(buffer, static_cast<size_t>(n));
    }
    return seen;
}

// A writer that cannot finish (the log is a pipe nobody reads yet) makes the next flush drop
// the cache and say so.
TEST(LogFile, BusyWriterLosesTheCacheAndSaysSo) {
    ASSERT_EQ(::mkfifo("busy.log", 0600), 0);
    const int reader = ::open("busy.log", O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    {
        CLogFile log("busy.log", 3000, 128);
        for (int i = 0; i < 1000; ++i)
            log.AddLine(std::string(99, 'x'));  // over 64 KB
        EXPECT_EQ(log.Flush(false), 0);
        log.AddLine("this line is lost");
        EXPECT_EQ(log.Flush(false), -5);
        EXPECT_EQ(ReadPipe(reader, 1000 * 101).size(), 1000u * 101);
    }
    EXPECT_EQ(ReadPipe(reader, 32), std::string(CLogFile::kLostLine) + "\r\n");
    ::close(reader);
}

TEST(LogFile, TrimKeepsTheNewestWholeLines) {
    struct Case {
        const char* what;
        std::string before;
        std::string added;
        size_t maximum, cache;
        std::string after;
    };
    const Case cases[] = {
        {"fits", "a\nb\n", "c\n", 10, 4, "a\nb\nc\n"},
        {"cut after the cache size", "11\n22\n33\n44\n", "55\n", 12, 4, "33\n44\n55\n"},
        {"oversized file cut to maximum - cache before its end", "11\n22\n33\n44\n55\n66\n", "77\n",
         10, 4, "66\n77\n"},
        {"no line feed after the cut", "aaaaaaaaaaaa", "new\n", 10, 4, "new\n"},
    };
    for (const auto& c : cases) {
        test::WriteBytes("trim.log", c.before);
        EXPECT_EQ(AppendToLogFile("trim.log", c.added, c.maximum, c.cache), 0) << c.what;
        EXPECT_EQ(test::ReadBytes("trim.log"), c.after) << c.what;
    }
    EXPECT_EQ(AppendToLogFile("no/such/dir/x.log", "x", 10, 4), -4);
}

}  // namespace
}  // namespace zvr
