// Platform-neutral parts of the test helpers.
#include "test_support.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tarvo_test {

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = std::filesystem::temp_directory_path() /
                         ("tarvo-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::str(const std::string& name) const {
    std::filesystem::path full = name.empty() ? path_ : path_ / name;
    return full.make_preferred().string();
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string testVolume() {
#ifdef _WIN32
    // Wine's drive Z: is the Linux root.
    std::string path = std::string("Z:") + TARVO_TEST_VOLUME;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
#else
    return TARVO_TEST_VOLUME;
#endif
}

bool testVolumeIsOwn() { return std::filesystem::exists(testVolume() + ".own"); }

std::filesystem::path fixtureProgram(const std::string& name) {
#ifdef _WIN32
    return programDirectory() / (name + ".exe");
#else
    return programDirectory() / name;
#endif
}

}  // namespace tarvo_test
