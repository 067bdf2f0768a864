// The shared utility layer of both deliverables: registry, environment and
// folder lookups, the current user's groups and system error texts.
//
// Strings are 8-bit strings in the system's code page. New strings are
// malloc'ed and released by the caller with free(), except getTarvoHome's.
#pragma once

#include <stdint.h>

#include "export.h"

// A predefined registry root. On Windows this is the system's HKEY; on Linux
// the same two roots name folders of a file-backed store (see registry_posix.cpp).
#ifdef _WIN32
struct HKEY__;
typedef struct HKEY__* HKEY;
#else
typedef struct TarvoRegistryRoot* HKEY;
#endif

#ifndef HKEY_CURRENT_USER
#define HKEY_CURRENT_USER ((HKEY)(intptr_t)(int32_t)0x80000001)
#define HKEY_LOCAL_MACHINE ((HKEY)(intptr_t)(int32_t)0x80000002)
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Size of the buffer a registry value is read into, terminator included:
// longer values are not read.
#define REGISTRY_VALUE_CAPACITY 260

// Size of the buffer createDirectoryPath works in: a path plus the separator
// it appends plus the terminator.
#define DIRECTORY_PATH_CAPACITY 1024

// Reads the text value `valueName` of root\subkey. Returns a new string, or
// null when the key cannot be opened or the value does not fit in
// REGISTRY_VALUE_CAPACITY bytes with its terminator.
TARVO_EXPORT char* getRegKey(HKEY root, const char* subkey, const char* valueName);

// The installation home: the "TARVO" environment variable (even when empty),
// else the user's then the machine's stored "TARVO" value, else a constant.
// Never null; borrowed: the caller must not free it.
TARVO_EXPORT const char* getTarvoHome(void);

// The current user's home folder as a new string; never null.
char* getUserHome(void);

// Creates every missing folder along `path`. On Windows every "/" of the
// caller's string becomes "\" first. Returns 0 when every folder exists
// afterwards, else the system error code of the first folder that could not
// be created (also when something that is not a folder stands in the way, and
// for a path longer than DIRECTORY_PATH_CAPACITY - 2 characters).
int createDirectoryPath(char* path);

// Lists the groups of the current user's access token (on Linux: the
// process's effective group, then its supplementary groups). On success with
// at least one group sets *count, *names (each group's account name, null
// where it cannot be resolved) and *sids (each group's SID text); both arrays
// and every string are malloc'ed and released by the caller with free().
// Otherwise, and for a token without groups, the out-parameters keep what the
// caller set. Returns 1 on success, 0 on failure. Non-zero `verbose` prints
// progress and errors on standard output.
TARVO_EXPORT int getCurrentUserGroups(int32_t* count, char*** names, char*** sids, int32_t verbose);

// Writes the system's message text for an error code (a Windows error code;
// on Linux an errno value) to the standard error handle in one write; writes
// nothing for a code the system has no text for.
TARVO_EXPORT void DisplayErrorText(uint32_t code);

// Host queries: disk space, memory and the remote session (tarvoUtils only).

// Memory figures in KiB (bytes / 1024, truncated). A figure above what 32
// bits hold (4 TiB) reads as 0xFFFFFFFF rather than wrapping.
typedef struct MemoryInfo {
    uint32_t availPhys;      // available physical memory
    uint32_t totalPhys;      // total physical memory
    uint32_t availPageFile;  // available page file (commit)
    uint32_t totalPageFile;  // total page file (commit limit)
    uint32_t totalVirtual;   // total virtual address space of the process
    uint32_t availVirtual;   // available virtual address space of the process
} MemoryInfo;

// The remote-session facts. Strings are new (malloc'ed) and belong to the
// owner of the record; freeSessionInfo releases them.
typedef struct SessionInfo {
    char* userName;       // the signed-in user's name
    char* userHome;       // getUserHome()
    int32_t displayLocal; // 1 when the process does not run in a remote session
    int32_t rdpClient;    // 1 when the remote-desktop API is usable and the session is remote
    int32_t citrixApi;    // 1 when the Citrix session API could be loaded
    int32_t citrixClient; // non-zero when the Citrix client-address query succeeded
    char* clientName;     // the remote client's computer name, or null
    char* clientAddress;  // the client's IPv4 address "%i.%i.%i.%i" in a 16-byte block, or null
} SessionInfo;

// Fills `info` from the system's memory status; null does nothing.
void getMemoryInfo(MemoryInfo* info);

// 1 when the remote-desktop session API may be used on this system (Windows
// XP, 5.1, or later), else 0; below 5.1 it says so on standard output.
int checkWtsVersion(void);

// 1 when the version check passes and "WTSAPI32" loads with
// WTSQuerySessionInformationA and WTSFreeMemory, else 0. Loads afresh and
// rewrites the process-wide pointers on every call.
int loadWtsApi(void);

// 1 when "WFAPI" loads with WFQuerySessionInformationW and WFFreeMemory,
// else 0. Loads afresh and rewrites the process-wide pointers on every call.
int loadCitrixApi(void);

// Fills `info` (zeroed first) with the session facts; null does nothing.
// Rewrites the process-wide session API pointers: not for two threads at once.
void getSessionInfo(SessionInfo* info);

// Releases the strings of a record of getSessionInfo and zeroes it.
void freeSessionInfo(SessionInfo* info);

// The short form of a UTF-8 path as a new 8-bit string in the ANSI code page
// (on Linux: the resolved absolute path, in UTF-8). The path must exist.
// Null on failure, with the thread's last error (errno on Linux) set by the
// failing step: not found, no translation for invalid UTF-8, invalid
// parameter for a null path.
char* getShortPathFromUTF8(const char* utf8Path);

// Free KiB of the volume that holds `utf8Path` (the volume's whole free space,
// not the caller's share under quotas), or 0 after writing why to the
// console (console_output.h).
int64_t getDiskFreeKByte(const char* utf8Path);

// `percent` percent of the total KiB of the volume that holds `utf8Path`,
// truncated toward zero, or 0 after writing why to the console.
int64_t getDiskKByteFromPercent(const char* utf8Path, int32_t percent);

#ifdef __cplusplus
}
#endif
