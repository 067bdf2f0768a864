// What the launcher benchmarks share.
#include "bench_support.h"

#include <algorithm>

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
