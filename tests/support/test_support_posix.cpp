// Linux parts of the test helpers.
#include <errno.h>
#include <signal.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

#include "test_support.h"

extern char** environ;

namespace tarvo_test {

void setEnv(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

void unsetEnv(const std::string& name) { unsetenv(name.c_str()); }

static std::filesystem::path storeKey(HKEY root, const std::string& subkey) {
    const char* variable = root == HKEY_CURRENT_USER ? "TARVO_REGISTRY_HKCU" : "TARVO_REGISTRY_HKLM";
    const char* store = getenv(variable);
    if (store == nullptr) throw std::logic_error("the test main sets the registry roots");
    std::filesystem::path key = store;
    std::string part;
    for (char c : subkey + "\\") {
        if (c != '\\') {
            part += c;
        } else if (!part.empty()) {
            key /= part;
            part.clear();
        }
    }
    return key;
}

void setRegistryValue(HKEY root, const std::string& subkey, const std::string& name,
                      const std::string& value) {
    const auto key = storeKey(root, subkey);
    std::filesystem::create_directories(key);
    writeFile(key / (name.empty() ? "@" : name), value);
}

void deleteRegistryValue(HKEY root, const std::string& subkey, const std::string& name) {
    std::filesystem::remove(storeKey(root, subkey) / (name.empty() ? "@" : name));
}

void deleteRegistryKey(HKEY root, const std::string& subkey) {
    std::filesystem::remove_all(storeKey(root, subkey));
}

std::filesystem::path programDirectory() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

ProgramResult runProgram(const std::vector<std::string>& argv) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid;
    const int error = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (error != 0) {
        close(out[0]);
        throw std::runtime_error("cannot start " + argv[0]);
    }
    ProgramResult result{-1, ""};
    // The output is read until its end or the program's time limit; the
    // wait for the program itself is bounded by waitProgram.
    const auto deadline = std::chrono::steady_clock::now() + kProgramTimeLimit;
    char chunk[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd entry{out[0], POLLIN, 0};
        const int ready = left.count() > 0 ? poll(&entry, 1, (int)left.count()) : 0;
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        const ssize_t n = read(out[0], chunk, sizeof chunk);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) break;
        if (n > 0) result.output.append(chunk, (size_t)n);
    }
    close(out[0]);
    result.exitCode = waitProgram(RunningProgram{pid, (int)pid});
    return result;
}

RunningProgram startProgram(const std::filesystem::path& program, const std::vector<std::string>& argv,
                            const std::filesystem::path& output, const std::filesystem::path& errors) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid;
    const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::runtime_error("cannot start " + program.string());
    return RunningProgram{pid, (int)pid};
}

int waitProgram(const RunningProgram& running) {
    const auto deadline = std::chrono::steady_clock::now() + kProgramTimeLimit;
    int status = 0;
    for (;;) {
        const pid_t ended = waitpid((pid_t)running.process, &status, WNOHANG);
        if (ended == (pid_t)running.process) break;
        if (ended < 0 && errno != EINTR) throw std::runtime_error("waitpid");
        if (std::chrono::steady_clock::now() > deadline) {
            kill((pid_t)running.process, SIGKILL);
            waitpid((pid_t)running.process, &status, 0);
            throw std::runtime_error("a program did not end within its time limit; killed");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tarvo_test
