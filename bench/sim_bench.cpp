// zvr-sim's figures: reply latency without pacing (median, 95th percentile) for one-address
// reads, and the simulator's CPU use while it streams a 10-address continuous read. The
// simulator runs as its own process, so the CPU figure is its alone.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "comm/controller_message.h"
#include "definitions/cal_file.h"
#include "definitions/definition_set.h"

namespace {

using namespace std::chrono;
using Bytes = std::vector<uint8_t>;

constexpr int kReads = 2000;
constexpr auto kStreamTime = seconds(5);

std::string WriteStrategy(const std::filesystem::path& directory) {
    zvr::DefinitionSet set;
    set.header.strategyName = "ZVX41B01";
    set.header.modelKind = zvr::ClassifyStrategyName(set.header.strategyName);
    const char* names[] = {"engine_rpm",     "n_desired",   "n_error",    "battery_volts",
                           "act_duty",       "act_current", "pid_output", "ecu_temp",
                           "governor_state", "engine_hours"};
    for (uint32_t i = 0; i < 10; ++i) {
        set.variables.insert(
            {.scaling = {'U', 2, 0}, .ramAddress = 0x0100 + 2 * i, .name = names[i]});
    }
    set.scalars.insert(
        {.scaling = {'U', 2, 0}, .eepromAddress = 0x4020, .fileRaw = 1500, .name = "SET_SPEED_1"});
    const std::string path = (directory / "ZVX41B01.000").string();
    std::fclose(std::fopen(path.c_str(), "wb"));
    zvr::WriteCalFile(set, path, set.header.strategyName);
    return path;
}

struct Child {
    pid_t pid = -1;
    FILE* output = nullptr;
    std::string link;
};

Child StartSimulator(const std::string& strategy, const std::filesystem::path& directory) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    Child child;
    const std::string link = (directory / "tty").string();
    child.pid = ::fork();
    if (child.pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::execl(ZVR_SIM_PROGRAM, "zvr-sim", "--strategy", strategy.c_str(), "--link", link.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    child.output = ::fdopen(pipeFds[0], "r");
    char line[512];
    if (std::fgets(line, sizeof line, child.output) != nullptr) child.link = link;
    return child;
}

int OpenLine(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    termios raw{};
    ::tcgetattr(fd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    return fd;
}

bool ReadExactly(int fd, uint8_t* data, size_t size) {
    size_t got = 0;
    while (got < size) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 2000) <= 0) return false;
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

// User and system CPU seconds a process has used so far (Linux /proc).
double ProcessCpuSeconds(pid_t pid) {
    FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (file == nullptr) return 0;
    char text[1024] = {};
    const size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    // Fields after the command name (which ends with the last ')'): state is field 3,
    // utime field 14, stime field 15.
    const char* at = std::strrchr(text, ')');
    if (at == nullptr || n == 0) return 0;
    unsigned long utime = 0, stime = 0;
    std::sscanf(at + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime);
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main() {
    const auto directory =
        std::filesystem::temp_directory_path() / ("zvr-sim-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    const std::string strategy = WriteStrategy(directory);
    Child child = StartSimulator(strategy, directory);
    if (child.link.empty()) {
        std::fprintf(stderr, "zvr-sim did not start\n");
        return 1;
    }
    const int fd = OpenLine(child.link);

    const uint16_t one[] = {0x4020};
    const Bytes read = *zvr::ReadRequest(zvr::kReadOnce, one);
    std::vector<double> latencies;
    uint8_t reply[64];
    for (int i = 0; i < kReads; ++i) {
        const auto sent = steady_clock::now();
        if (::write(fd, read.data(), read.size()) != static_cast<ssize_t>(read.size()) ||
            !ReadExactly(fd, reply, 5)) {
            std::fprintf(stderr, "read %d failed\n", i);
            return 1;
        }
        latencies.push_back(duration<double, std::micro>(steady_clock::now() - sent).count());
    }
    std::printf(
        "zvr-sim reply latency, no pacing: %d one-address reads, median %.0f us, "
        "95th percentile %.0f us\n",
        kReads, Percentile(latencies, 0.5), Percentile(latencies, 0.95));

    std::vector<uint16_t> ten;
    for (uint16_t i = 0; i < 10; ++i)
        ten.push_back(static_cast<uint16_t>(0x0100 + 2 * i));
    const Bytes stream = *zvr::ReadRequest(zvr::kContinuousRead, ten);
    const double cpuBefore = ProcessCpuSeconds(child.pid);
    [[maybe_unused]] ssize_t n = ::write(fd, stream.data(), stream.size());
    int replies = 0;
    const auto start = steady_clock::now();
    while (steady_clock::now() - start < kStreamTime && ReadExactly(fd, reply, 23))
        ++replies;
    const double streamed = duration<double>(steady_clock::now() - start).count();
    const double cpu = ProcessCpuSeconds(child.pid) - cpuBefore;
    const Bytes stop = zvr::StopRequest();
    n = ::write(fd, stop.data(), stop.size());
    ::close(fd);

    ::kill(child.pid, SIGTERM);
    int status = 0;
    ::waitpid(child.pid, &status, 0);
    std::fclose(child.output);
    std::printf(
        "zvr-sim streaming a 10-address continuous read: %d replies in %.1f s, "
        "CPU %.3f s (%.2f %% of one core)\n",
        replies, streamed, cpu, 100 * cpu / streamed);
    std::filesystem::remove_all(directory);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
