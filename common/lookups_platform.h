// The platform primitives behind the lookups of utilglobal.h; one
// implementation in lookups_win32.cpp, one in lookups_posix.cpp.
#pragma once

#include <stddef.h>

#include "utilglobal.h"

enum RegistryValueType { REGISTRY_PLAIN_STRING, REGISTRY_OTHER_TYPE };

// A registry key opened for reading: an HKEY on Windows, a folder of the
// file-backed store on Linux.
typedef struct RegistryKeyRecord* RegistryKeyHandle;

extern const long kRegistryNotFound;  // no such key or value: ERROR_FILE_NOT_FOUND or ENOENT
extern const long kRegistryMoreData;  // the value does not fit: ERROR_MORE_DATA or EOVERFLOW

// Opens root\subkey for reading. Returns 0, or a system error code.
long openRegistryKey(HKEY root, const char* subkey, RegistryKeyHandle* key);

// Which of the two registry views of 64-bit Windows a key is opened in; a
// 32-bit program sees the 32-bit one by default. Linux has one store only.
enum RegistryView { REGISTRY_VIEW_64, REGISTRY_VIEW_32 };

// openRegistryKey in the given view (KEY_WOW64_64KEY, KEY_WOW64_32KEY).
long openRegistryKeyInView(HKEY root, const char* subkey, RegistryView view, RegistryKeyHandle* key);

// The name of the subkey number `index` (from 0) of an open key into `name`.
// Returns 0; kRegistryNoMoreItems past the last one; kRegistryMoreData when
// the name does not fit (the next index goes on); or another system error.
long registrySubkeyName(RegistryKeyHandle key, unsigned index, char* name, size_t capacity);
extern const long kRegistryNoMoreItems;  // ERROR_NO_MORE_ITEMS, or ENOENT past the last folder

// Reads the value `name` of an open key into `buffer` (capacity bytes) as a
// NUL-terminated text, whatever its type. Returns 0; kRegistryMoreData when
// the text with its terminator needs more than `capacity` bytes, with
// *needed set to that size as far as it is known; or another system error
// code (kRegistryNotFound for a missing value).
long readRegistryText(RegistryKeyHandle key, const char* name, char* buffer, size_t capacity,
                      size_t* needed, RegistryValueType* type);

void closeRegistryKey(RegistryKeyHandle key);

// Reads the value `name` of root\subkey into `buffer` (capacity bytes) as a
// NUL-terminated text. Returns false when the key cannot be opened or the
// value cannot be read or does not fit with its terminator.
bool queryRegistryValue(HKEY root, const char* subkey, const char* name, char* buffer,
                        size_t capacity, RegistryValueType* type);

// The user's home folder as the shell knows it, into `buffer`; false when the
// shell cannot say.
bool shellUserHome(char* buffer, size_t capacity);

// Creates one folder. Returns 0, the platform's "already exists" code, or
// another system error code.
int createFolder(const char* path);

// True when `path` names an existing folder.
bool isFolder(const char* path);

extern const char kPathSeparator;       // '\\' on Windows, '/' on Linux
extern const char kDefaultTarvoHome[];  // the installation home when nothing names one
extern const char kDefaultUserHome[];   // the home folder when nothing else answers
extern const int kAlreadyExists;        // ERROR_ALREADY_EXISTS or EEXIST
extern const int kPathTooLong;          // ERROR_FILENAME_EXCED_RANGE or ENAMETOOLONG

// Index in `path` (already in platform separators, not yet extended) where the folder scan of
// createDirectoryPath starts: behind a drive root on Windows, behind the root
// "/" on Linux.
size_t directoryScanStart(const char* path);

// Brings the caller's path into platform separators in place.
void toPlatformSeparators(char* path);
