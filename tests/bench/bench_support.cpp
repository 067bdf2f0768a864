// What the benchmarks share.
#include "bench_support.h"

#include <stdio.h>

#include <algorithm>
#include <chrono>

using namespace tarvo_test;
namespace fs = std::filesystem;

fs::path installBenchLauncher(const TempDir& dir) {
    const fs::path install = dir.path() / "install";
    fs::create_directories(install / "app");
    fs::create_directories(install / "log");
    writeFile(install / "app" / "viewer.jar", "jar");
    const fs::path launcher = install / fixtureProgram("TarvoLauncher").filename();
    fs::copy_file(fixtureProgram("TarvoLauncher"), launcher);
    writeFile(install / "tarvoLauncher.conf", "FORCED_JAVAW_PATH = " + fixtureProgram("javaw").string() +
                                                  "\nAPPLICATION_DIRECTORY = app\nMAIN_CLASS = pemu.tarvo.Viewer\n");
    setEnv("TARVO_MESSAGE_BOX_LOG", dir.str("boxes.txt"));
    setEnv("XDG_RUNTIME_DIR", dir.str());
    unsetEnv("TARVO_JAVAW_RECORD");
    unsetEnv("TARVO_JAVAW_HOLD");
    return launcher;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

static double secondsOf(int calls, const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void compare(const char* title, int batches, int perBatch, const std::function<void()>& bare,
             const std::function<void()>& measured) {
    double bareBest = 1e9, measuredBest = 1e9;
    for (int batch = 0; batch < batches; ++batch) {
        bareBest = std::min(bareBest, secondsOf(perBatch, bare));
        measuredBest = std::min(measuredBest, secondsOf(perBatch, measured));
    }
    printf("%-44s bare %8.1f us  measured %8.1f us  ratio %.3f\n", title, bareBest / perBatch * 1e6,
           measuredBest / perBatch * 1e6, measuredBest / bareBest);
}
