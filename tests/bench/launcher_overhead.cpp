// What the launcher adds to the start of a viewer: the wall time from
// starting TarvoLauncher until it has ended (its stand-in viewer started,
// its output logged, the viewer ended), against starting the same stand-in
// with the same arguments directly. The two alternate, so that both see the
// same machine; the report gives the medians, their ratio and difference.
//
//   launcher_bench [REPETITIONS]   (default 200)
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <vector>

#include "bench_support.h"

using namespace tarvo_test;
namespace fs = std::filesystem;

static double millisecondsOf(const fs::path& program, const std::vector<std::string>& argv, const fs::path& folder) {
    const auto begin = std::chrono::steady_clock::now();
    waitProgram(startProgram(program, argv, folder / "out", folder / "err"));
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
}

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? atoi(argv[1]) : 200;
    TempDir dir;
    const fs::path launcher = installBenchLauncher(dir);
    const fs::path install = launcher.parent_path();
    const fs::path javaw = fixtureProgram("javaw");

    const std::vector<std::string> direct{javaw.string(), "-cp", (install / "app" / "viewer.jar").string(),
                                          "pemu.tarvo.Viewer"};
    std::vector<double> viaLauncher, alone;
    for (int i = 0; i < repetitions + 5; ++i) {
        const double launched = millisecondsOf(launcher, {launcher.string()}, dir.path());
        const double started = millisecondsOf(javaw, direct, dir.path());
        if (i < 5) continue;  // warm-up: file caches, the first start of each program
        viaLauncher.push_back(launched);
        alone.push_back(started);
    }
    if (readFile(install / "log" / "output.log").find("javaw stand-in") == std::string::npos) {
        fprintf(stderr, "the launcher did not log the stand-in's output\n");
        return 1;
    }
    const double withLauncher = median(viaLauncher);
    const double withoutLauncher = median(alone);
    printf("repetitions: %d\n", repetitions);
    printf("median through the launcher: %.2f ms\n", withLauncher);
    printf("median of the stand-in alone: %.2f ms\n", withoutLauncher);
    printf("ratio: %.2f\n", withLauncher / withoutLauncher);
    printf("launcher overhead: %.2f ms\n", withLauncher - withoutLauncher);
    return 0;
}
