// zvr-sim: a ZEVAR / LPN / KMS controller on a pseudo-terminal, serving the memory its
// strategy file lays out. See README.md for how to run it.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "control_client.h"
#include "sim_options.h"
#include "simulator.h"

namespace {

// zvr-sim send CONTROLPATH COMMAND...: the words make one command; its answer is printed.
// Exit 0 for "ok", 1 for "error: ...", 2 for a usage error, 3 when no simulator answers.
int SendCommand(const std::vector<std::string>& args) {
    if (args.size() < 3) {
        std::fprintf(stderr, "zvr-sim: send needs a control path and a command\n%s",
                     zvr::sim::kSimUsage);
        return 2;
    }
    std::string command;
    for (size_t i = 2; i < args.size(); ++i)
        command += (i > 2 ? " " : "") + args[i];
    std::string error;
    const auto answer = zvr::sim::SendControlCommand(args[1], command, error);
    if (!answer) {
        std::fprintf(stderr, "zvr-sim: %s\n", error.c_str());
        return 3;
    }
    std::printf("%s\n", answer->c_str());
    return answer->starts_with("ok") ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zvr::sim;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "send") return SendCommand(args);
    std::string error;
    const auto options = ParseSimOptions(args, error);
    if (!options) {
        if (error == "help" || error == "version") {
            if (error == "help") {
                std::fputs(kSimUsage, stdout);
                std::fputs(kSimHelpBody, stdout);
            } else {
                std::fputs("zvr-sim " ZVR_VERSION "\n", stdout);
            }
            return 0;
        }
        std::fprintf(stderr, "zvr-sim: %s\n%s", error.c_str(), kSimUsage);
        return 2;
    }

    // SIGINT and SIGTERM arrive through a descriptor, in this thread only, so the threads
    // started below never see them and the simulator can clean up in order.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);

    Simulator simulator;
    if (!simulator.start(*options, error)) {
        std::fprintf(stderr, "zvr-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", simulator.startupLine().c_str());
    std::fflush(stdout);

    pollfd fds[2] = {{signalFd, POLLIN, 0}, {simulator.quitFd(), POLLIN, 0}};
    while (::poll(fds, 2, -1) <= 0) {
    }
    simulator.stop();
    ::close(signalFd);
    return 0;
}
