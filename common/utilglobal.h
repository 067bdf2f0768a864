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

#ifdef __cplusplus
}
#endif
