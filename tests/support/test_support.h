// Helpers for the C++ tests of both builds: temporary folders, files, the
// process environment, registry values and child programs.
#pragma once

#include <stdint.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "utilglobal.h"

namespace tarvo_test {

// How a file written in text mode ends its lines on this platform.
#ifdef _WIN32
inline const std::string kTextLineEnd = "\r\n";
#else
inline const std::string kTextLineEnd = "\n";
#endif

// A fresh folder below the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder's path, or `name` below it, as the platform writes it.
    std::string str(const std::string& name = "") const;

private:
    std::filesystem::path path_;
};

void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::string readFile(const std::filesystem::path& path);

// Sets a variable both in the C runtime's environment and in the one that
// child programs inherit. On Windows an empty value reaches children only:
// the C runtime cannot hold an empty variable there.
void setEnv(const std::string& name, const std::string& value);
void unsetEnv(const std::string& name);

// Writes a text value into the registry (on Linux, into the file-backed store
// that the test main points at a temporary folder), creating the key.
void setRegistryValue(HKEY root, const std::string& subkey, const std::string& name,
                      const std::string& value);
// Removes one value; a missing value is fine.
void deleteRegistryValue(HKEY root, const std::string& subkey, const std::string& name);
// Removes a key with everything below it; a missing key is fine.
void deleteRegistryKey(HKEY root, const std::string& subkey);

// The volume of the disk-space tests (see tests/fixtures/disk-volume), as
// the platform writes its path.
std::string testVolume();
// True when that volume is a tmpfs of 64 MiB of the tests' own, whose free
// space nobody else changes.
bool testVolumeIsOwn();
constexpr int64_t kTestVolumeKiB = 64 * 1024;

// A small volume of the tests' own that tests fill up (fixture full_volume),
// as the platform writes its path; empty when it is no volume of its own
// (not run as root).
std::string fullVolume();

// Fills the volume of `folder` to the last byte with the file
// "<folder>/filler"; removing that file frees the space again.
void fillVolume(const std::filesystem::path& folder);

// The folder holding the running test program and the fixture programs.
std::filesystem::path programDirectory();

// The name of a program built into programDirectory() (".exe" on Windows).
std::filesystem::path fixtureProgram(const std::string& name);

struct ProgramResult {
    int exitCode;
    std::string output;  // standard output
};

// Runs a program with arguments, inheriting the environment, and collects its
// standard output.
ProgramResult runProgram(const std::vector<std::string>& argv);

// A program started in the background.
struct RunningProgram {
    intptr_t process;  // process handle, or pid
    int pid;
};

// Starts `program` with the argument vector `argv` (argv[0] as the program
// is to see it, which need not be its path), inheriting the environment, its
// standard output and standard error written to the files `output` and
// `errors`.
RunningProgram startProgram(const std::filesystem::path& program, const std::vector<std::string>& argv,
                            const std::filesystem::path& output, const std::filesystem::path& errors);

// How long waitProgram waits: far beyond any program of the tests, but a
// test whose program hangs fails instead of holding the run up.
const std::chrono::seconds kProgramTimeLimit(120);

// Waits for the program's end, at most kProgramTimeLimit (then it is killed
// and std::runtime_error thrown); its exit code.
int waitProgram(const RunningProgram& running);

}  // namespace tarvo_test
