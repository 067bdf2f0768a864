// Windows parts of the test helpers.
#include <windows.h>
#include <stdlib.h>

#include <stdexcept>

#include "test_support.h"

namespace tarvo_test {

void setEnv(const std::string& name, const std::string& value) {
    _putenv_s(name.c_str(), value.c_str());
    SetEnvironmentVariableA(name.c_str(), value.c_str());
}

void unsetEnv(const std::string& name) {
    _putenv_s(name.c_str(), "");
    SetEnvironmentVariableA(name.c_str(), nullptr);
}

void setRegistryValue(HKEY root, const std::string& subkey, const std::string& name,
                      const std::string& value) {
    HKEY key;
    if (RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        throw std::runtime_error("cannot create key " + subkey);
    }
    const LONG status = RegSetValueExA(key, name.c_str(), 0, REG_SZ, (const BYTE*)value.c_str(),
                                       (DWORD)value.size() + 1);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) throw std::runtime_error("cannot set value " + name);
}

void deleteRegistryValue(HKEY root, const std::string& subkey, const std::string& name) {
    RegDeleteKeyValueA(root, subkey.c_str(), name.c_str());
}

void deleteRegistryKey(HKEY root, const std::string& subkey) {
    RegDeleteTreeA(root, subkey.c_str());
    RegDeleteKeyA(root, subkey.c_str());
}

std::filesystem::path programDirectory() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n == MAX_PATH) throw std::runtime_error("GetModuleFileName");
    return std::filesystem::path(path).parent_path();
}

// Quotes one argument by the rules the C runtime uses to split a command line.
static std::string quoteArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, '\\');
    return quoted + "\"";
}

ProgramResult runProgram(const std::vector<std::string>& argv) {
    std::string commandLine;
    for (const auto& a : argv) commandLine += (commandLine.empty() ? "" : " ") + quoteArgument(a);

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) throw std::runtime_error("CreatePipe");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        throw std::runtime_error("cannot start " + commandLine);
    }
    ProgramResult result{-1, ""};
    // The output is read until its end or the program's time limit (a read
    // is only made when bytes wait); the wait for the program is bounded by
    // waitProgram.
    const auto deadline = std::chrono::steady_clock::now() + kProgramTimeLimit;
    char chunk[4096];
    for (DWORD waiting = 0, n = 0; std::chrono::steady_clock::now() < deadline;) {
        if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr)) break;  // the program has ended
        if (waiting == 0) {
            Sleep(5);
        } else if (!ReadFile(readEnd, chunk, sizeof chunk, &n, nullptr) || n == 0) {
            break;
        } else {
            result.output.append(chunk, n);
        }
    }
    CloseHandle(readEnd);
    CloseHandle(process.hThread);
    result.exitCode = waitProgram(RunningProgram{(intptr_t)process.hProcess, (int)process.dwProcessId});
    return result;
}

static HANDLE inheritableFile(const std::filesystem::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE file = CreateFileA(path.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + path.string());
    return file;
}

RunningProgram startProgram(const std::filesystem::path& program, const std::vector<std::string>& argv,
                            const std::filesystem::path& output, const std::filesystem::path& errors) {
    std::string commandLine;
    for (const auto& a : argv) commandLine += (commandLine.empty() ? "" : " ") + quoteArgument(a);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = inheritableFile(output);
    startup.hStdError = inheritableFile(errors);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(program.string().c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    if (!started) throw std::runtime_error("cannot start " + program.string());
    CloseHandle(process.hThread);
    return RunningProgram{(intptr_t)process.hProcess, (int)process.dwProcessId};
}

int waitProgram(const RunningProgram& running) {
    const HANDLE process = (HANDLE)running.process;
    if (WaitForSingleObject(process, (DWORD)std::chrono::milliseconds(kProgramTimeLimit).count()) != WAIT_OBJECT_0) {
        TerminateProcess(process, 1);
        CloseHandle(process);
        throw std::runtime_error("a program did not end within its time limit; killed");
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return (int)code;
}

}  // namespace tarvo_test
