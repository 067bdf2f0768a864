// Handles, pipes and child processes on Windows.
#include <windows.h>

#include "launcher_platform.h"

long lastSystemError(void) { return (long)GetLastError(); }
void clearSystemError(void) { SetLastError(0); }
int currentProcessId(void) { return (int)GetCurrentProcessId(); }

bool createInheritablePipe(SystemHandle* readEnd, SystemHandle* writeEnd) {
    SECURITY_ATTRIBUTES inherit;
    inherit.nLength = sizeof inherit;
    inherit.lpSecurityDescriptor = nullptr;
    inherit.bInheritHandle = TRUE;
    HANDLE readHandle, writeHandle;
    if (!CreatePipe(&readHandle, &writeHandle, &inherit, 0)) return false;
    *readEnd = (SystemHandle)readHandle;
    *writeEnd = (SystemHandle)writeHandle;
    return true;
}

bool makeNotInheritable(SystemHandle handle) {
    return SetHandleInformation((HANDLE)handle, HANDLE_FLAG_INHERIT, 0) != 0;
}

bool closeSystemHandle(SystemHandle handle) { return CloseHandle((HANDLE)handle) != 0; }

bool readSystemHandle(SystemHandle handle, char* buffer, size_t capacity, size_t* count) {
    DWORD read = 0;
    const BOOL ok = ReadFile((HANDLE)handle, buffer, (DWORD)capacity, &read, nullptr);
    *count = read;
    return ok && read > 0;
}

bool writeSystemHandle(SystemHandle handle, const char* data, size_t size) {
    DWORD written = 0;
    return WriteFile((HANDLE)handle, data, (DWORD)size, &written, nullptr) && written == size;
}

bool startChildProcess(char* commandLine, SystemHandle output, bool normalPriority, ChildProcess* child) {
    STARTUPINFOA start;
    ZeroMemory(&start, sizeof start);
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = (HANDLE)output;
    start.hStdError = (HANDLE)output;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE,
                        normalPriority ? NORMAL_PRIORITY_CLASS : 0, nullptr, nullptr, &start, &process)) {
        return false;
    }
    child->process = (intptr_t)process.hProcess;
    child->thread = (intptr_t)process.hThread;
    return true;
}

void releaseChildProcess(ChildProcess* child) {
    CloseHandle((HANDLE)child->thread);
    CloseHandle((HANDLE)child->process);
}

void waitForChildProcess(ChildProcess* child) {
    WaitForSingleObject((HANDLE)child->process, INFINITE);
    releaseChildProcess(child);
}
