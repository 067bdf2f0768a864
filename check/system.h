// What TarvoCheck asks the system itself: whether a library loads as the
// Java runtime would load it, the registered handler of a URL scheme, and
// whether a folder takes new files. One implementation in system_win32.cpp,
// one in system_posix.cpp.
#pragma once

#include <string>

namespace tarvo_check {

// "tarvoUtils.dll" or "libtarvoUtils.so"; the launcher's file name.
extern const char kLibraryFile[];
extern const char kLauncherFile[];

// Loads the library at `path` as the Java runtime loads it (full path, its
// dependencies by the system's search with the PATH the launcher sets) and
// unloads it. False with the loader's reason in *problem, naming the
// missing DLL or shared object where it can be told. A library of another
// machine type than this program is not loaded: its dependencies are looked
// up from its import table instead, and *note says so.
bool libraryLoads(const std::string& path, std::string* problem, std::string* note);

// Whether libpq.dll, which the routing session needs, loads: the one of
// this program's machine type in the native folder (its "x64" folder for a
// 64-bit program) first, else by name through the search. Always true on
// Linux, where the system links it.
bool databaseClientLoads(const char* nativeDirectory, std::string* problem);

// The command registered for URLs of `scheme`, and where it was found; false
// with *where saying what was searched when none is registered or it cannot
// be told.
bool urlHandlerCommand(const std::string& scheme, std::string* command, std::string* where);

// Whether this user can create a file in `folder` (a probe file is created
// and removed again).
bool folderTakesFiles(const std::string& folder);

// Whether two paths name the same file (case-insensitive on Windows).
bool samePath(const std::string& a, const std::string& b);

}  // namespace tarvo_check
