// processrunning on Windows: a Toolhelp snapshot of the processes.
#include <windows.h>
#include <tlhelp32.h>
#include <string.h>

#include "processrunning.h"

bool isProcessRunning(const char* name) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found;
         more = Process32Next(snapshot, &entry)) {
        found = _stricmp(entry.szExeFile, name) == 0;
    }
    CloseHandle(snapshot);
    return found;
}
