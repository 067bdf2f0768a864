// The platform primitives under the launcher's portable code, each the
// counterpart of one Windows call. Implemented in the *_win32.cpp and
// *_posix.cpp files of the concern named above each group.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "javadiscovery.h"
#include "lookups_platform.h"  // kPathSeparator, createFolder, the registry

// --- names_*: names, patterns and separators
extern const char kPathListSeparator;        // between PATH and class-path entries
extern const char* const kJavawLayouts[2];   // private runtime layouts: folder, runtime name
extern const char kJavawBelowJavaHome[];     // appended to the registry's JavaHome and JAVA_HOME
extern const char kJavawFileName[];          // what is looked for in the folders of PATH
extern const JavawSource kFurtherJavawSources[3];  // searched in this order after the described ones
extern const char kNativeLibraryName[];      // tarvoUtils as the Java runtime loads it
extern const char kNativeFolder64[];         // the subfolder of NATIVE_DIRECTORY for a 64-bit runtime
extern const char kJarPattern[];             // the jar search of a folder
extern const char kAutoUpdaterName[];
extern const char kUpdateManagerName[];
extern const char kUpdateManagerDefaultParent[];

// --- config_launcher_*
// The full path of the launcher's executable as a new text; null when the
// system cannot tell.
char* ownExecutablePath(void);
// Makes `folder` the current directory; the result is not needed.
void changeCurrentFolder(const char* folder);

// --- messagebox_*
// Shows a box (or its counterpart) and returns when it has been closed.
void showSystemMessageBox(const char* text, const char* caption, unsigned style);

// --- hostchecks_*
bool queryOsVersion(unsigned long* platform, unsigned long* major, unsigned long* minor);
bool isHostVersionSupported(unsigned long platform, unsigned long major, unsigned long minor);
bool queryMemory(uint64_t* installedPhysical, uint64_t* freeVirtual);
int displayBitsPerPixel(void);  // -1 when unknown

// --- javadiscovery_*
// The Program Files folder as a new text; null with the system's result code.
char* programFilesFolder(long* result);
bool pathExists(const char* path);   // GetFileAttributesA
bool fileMatches(const char* path);  // FindFirstFileA
bool isRunnableFile(const char* path);  // a file, not a folder (on Linux: one that may be executed)
// The distribution's default runtime as a new text; null on Windows.
char* defaultJavaRuntime(void);

// --- classpath_*
struct ListedName {
    char name[260];
    bool isFolder;
};
typedef struct JarListingRecord JarListing;
// Starts listing the jar files of `folder` (`pattern` is its search pattern)
// with the first entry in *entry; null, with the system error, when the folder
// cannot be read or holds no match.
JarListing* startJarListing(const char* folder, const char* pattern, ListedName* entry);
bool nextJarListed(JarListing* listing, ListedName* entry);
void endJarListing(JarListing* listing);

// --- environment_*
extern const long kEnvironmentVariableNotFound;
// GetEnvironmentVariableA: the length of the value when it fits `capacity`
// with its terminator, else the size it needs; 0 when absent (the system
// error then says why) or empty.
unsigned long readEnvironmentVariable(const char* name, char* buffer, unsigned long capacity);
bool writeEnvironmentVariable(const char* name, const char* value);

// --- process_*: handles, pipes, children
typedef intptr_t SystemHandle;  // a HANDLE, or a file descriptor
long lastSystemError(void);
void clearSystemError(void);
int currentProcessId(void);
bool createInheritablePipe(SystemHandle* readEnd, SystemHandle* writeEnd);
bool makeNotInheritable(SystemHandle handle);
bool closeSystemHandle(SystemHandle handle);
// ReadFile: false when the read fails or delivers nothing (the pipe's end).
bool readSystemHandle(SystemHandle handle, char* buffer, size_t capacity, size_t* count);
// WriteFile of all `size` bytes.
bool writeSystemHandle(SystemHandle handle, const char* data, size_t size);

struct ChildProcess {
    intptr_t process;  // process handle, or pid
    intptr_t thread;
};
// CreateProcessA without an application name: `commandLine` (writable),
// handles inherited, the launcher's environment and current directory,
// standard output and standard error on `output`, standard input the
// launcher's own; NORMAL_PRIORITY_CLASS when `normalPriority`.
bool startChildProcess(char* commandLine, SystemHandle output, bool normalPriority, ChildProcess* child);
// Releases the handles of a child without waiting for it.
void releaseChildProcess(ChildProcess* child);
// Waits without time limit for the child's end, then releases it.
void waitForChildProcess(ChildProcess* child);

// --- output_capture_*
// Creates (or truncates) a log file for writing that others may read but not
// write; false with the system error when it cannot be had.
bool createLogFile(const char* path, SystemHandle* file);
// True when another process writes the log at `path` (it holds it as
// createLogFile does); false also when the file cannot be opened at all.
bool logFileHeld(const char* path);
// True for a file that is neither a folder nor a link (or reparse point).
bool isPlainFile(const char* path);
// Renames `from` to `to`, replacing a file `to`; false with the system error.
bool moveLogFile(const char* from, const char* to);
