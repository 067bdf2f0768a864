// Platform-neutral parts of the test helpers.
#include "test_support.h"

#include <stdio.h>

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

// A path of the build tree as the platform writes it.
static std::string platformPath(const char* linuxPath) {
#ifdef _WIN32
    // Wine's drive Z: is the Linux root.
    std::string path = std::string("Z:") + linuxPath;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
#else
    return linuxPath;
#endif
}

std::string testVolume() { return platformPath(TARVO_TEST_VOLUME); }

bool testVolumeIsOwn() { return std::filesystem::exists(testVolume() + ".own"); }

std::string fullVolume() {
    const std::string path = platformPath(TARVO_FULL_VOLUME);
    return std::filesystem::exists(path + ".own") ? path : "";
}

void fillVolume(const std::filesystem::path& folder) {
    FILE* filler = fopen((folder / "filler").string().c_str(), "wb");
    if (filler == nullptr) throw std::runtime_error("cannot create the filler of " + folder.string());
    setvbuf(filler, nullptr, _IONBF, 0);
    // Large pieces first, then ever smaller ones down to a byte.
    static const char zeros[65536] = {};
    for (size_t piece = sizeof zeros; piece > 0; piece /= 2) {
        while (fwrite(zeros, 1, piece, filler) == piece) {
        }
        clearerr(filler);
    }
    fclose(filler);
}

std::filesystem::path fixtureProgram(const std::string& name) {
#ifdef _WIN32
    return programDirectory() / (name + ".exe");
#else
    return programDirectory() / name;
#endif
}

}  // namespace tarvo_test
