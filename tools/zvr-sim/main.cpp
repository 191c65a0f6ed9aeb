// zvr-sim: a ZEVAR / LPN / KMS controller on a pseudo-terminal, serving the memory its
// strategy file lays out. See README.md for how to run it.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim_options.h"
#include "simulator.h"

int main(int argc, char** argv) {
    using namespace zvr::sim;
    std::string error;
    const auto options = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        if (error == "help") {
            std::fputs(kSimUsage, stdout);
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
