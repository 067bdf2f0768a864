// The hand-off's cost: the wall time from starting a second TarvoLauncher
// (while a first one holds the instance key) until the stand-in viewer
// listener holds the whole message, against one plain connect-send-close of
// the same message to the same listener. The two alternate; the report gives
// the medians and their ratio.
//
//   handoff_bench [REPETITIONS]   (default 200)
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <thread>
#include <vector>

#include "handoff.h"
#include "handoff_platform.h"
#include "loopback_listener.h"
#include "bench_support.h"

using namespace tarvo_test;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

static double millisecondsSince(Clock::time_point begin) {
    return std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
}

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? atoi(argv[1]) : 200;
    TempDir dir;
    const fs::path launcher = installBenchLauncher(dir);
    const fs::path install = launcher.parent_path();
    setEnv("HOME", dir.str());  // the profile folder on Linux; Windows keeps its own

    LoopbackListener listener;
    char profile[4096];
    if (!userProfileFolder(profile, sizeof profile)) return 1;
    const fs::path properties = fs::path(profile) / ".tarvo" / "client.properties";
    fs::create_directories(properties.parent_path());
    writeFile(properties, "remotePort=" + std::to_string(listener.port()) + "\n");

    // The first launcher and its viewer hold the instance key until released.
    const fs::path release = dir.path() / "release";
    setEnv("TARVO_JAVAW_HOLD", release.string());
    const RunningProgram first = startProgram(launcher, {launcher.string()}, dir.path() / "first.out",
                                              dir.path() / "first.err");
    unsetEnv("TARVO_JAVAW_HOLD");
    // The viewer is up once its first line is in the log.
    while (readFile(install / "log" / "output.log").find("javaw stand-in") == std::string::npos) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    const std::string message = "study 1.2.3";
    std::vector<double> handedOff, plain;
    size_t received = 0;
    for (int i = 0; i < repetitions + 5; ++i) {
        auto begin = Clock::now();
        const RunningProgram second = startProgram(launcher, {launcher.string(), "--q", message},
                                                   dir.path() / "out", dir.path() / "err");
        ++received;
        const bool launched = listener.connections(received).size() == received;
        const double viaLauncher = millisecondsSince(begin);
        waitProgram(second);

        begin = Clock::now();
        const bool sent = sendToViewer((message + "|").c_str(), listener.port());
        ++received;
        const bool arrived = listener.connections(received).size() == received;
        const double direct = millisecondsSince(begin);
        if (!launched || !sent || !arrived) {
            fprintf(stderr, "a message did not arrive\n");
            return 1;
        }
        if (i < 5) continue;  // warm-up
        handedOff.push_back(viaLauncher);
        plain.push_back(direct);
    }
    writeFile(release, "");
    waitProgram(first);
    fs::remove(properties);
    if (listener.connections(received).front() != message + "|") {
        fprintf(stderr, "the launcher sent something else\n");
        return 1;
    }
    const double launched = median(handedOff);
    const double direct = median(plain);
    printf("repetitions: %d\n", repetitions);
    printf("median hand-off by a second launcher: %.3f ms\n", launched);
    printf("median plain connect-send-close: %.3f ms\n", direct);
    printf("ratio: %.1f\n", launched / direct);
    return 0;
}
