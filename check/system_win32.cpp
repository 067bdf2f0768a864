// The system's answers on Windows: LoadLibraryEx, the import table, the
// registry's URL classes, probe files.
#include "system.h"

#include <windows.h>
#include <string.h>

#include <set>
#include <vector>

#include "executable_machine.h"
#include "heap_text.h"
#include "utilglobal.h"

namespace tarvo_check {

const char kLibraryFile[] = "tarvoUtils.dll";
const char kLauncherFile[] = "TarvoLauncher.exe";

static const ExecutableMachine kOwnMachine = sizeof(void*) == 8 ? kMachineX64 : kMachineX86;

// Where the loader would find `name` by the system's search (this program's
// folder, the system folders, the current folder, PATH); empty when nowhere.
static std::string searchDll(const std::string& name) {
    char found[MAX_PATH];
    const DWORD length = SearchPathA(nullptr, name.c_str(), nullptr, sizeof found, found, nullptr);
    return length > 0 && length < sizeof found ? std::string(found) : std::string();
}

static bool isSystemFolderFile(const std::string& path) {
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, sizeof system);
    return length > 0 && length < sizeof system && _strnicmp(path.c_str(), system, length) == 0;
}

// The first DLL in the import tree of `path` that the search does not find,
// following the DLLs that are not the system's own.
static std::string missingImport(const std::string& path, std::set<std::string>* seen) {
    for (const std::string& name : readExecutableImports(path.c_str())) {
        if (_strnicmp(name.c_str(), "api-ms-", 7) == 0 || _strnicmp(name.c_str(), "ext-ms-", 7) == 0) continue;
        std::string lower = name;
        for (char& c : lower) c = (char)tolower((unsigned char)c);
        if (!seen->insert(lower).second) continue;
        const std::string found = searchDll(name);
        if (found.empty()) return name;
        if (!isSystemFolderFile(found)) {
            const std::string deeper = missingImport(found, seen);
            if (!deeper.empty()) return deeper + " (needed by " + name + ")";
        }
    }
    return "";
}

bool libraryLoads(const std::string& path, std::string* problem, std::string* note) {
    const ExecutableMachine machine = readExecutableMachine(path.c_str());
    std::set<std::string> seen;
    if (machine != kOwnMachine) {
        // A DLL of another machine type cannot be loaded into this program.
        *note = std::string("a ") + executableMachineName(machine) +
                " library cannot be loaded by this program; its import table was checked instead";
        const std::string missing = missingImport(path, &seen);
        if (missing.empty()) return true;
        *problem = "missing " + missing;
        return false;
    }
    // Loaded by full path, as the Java runtime does; the dependencies are
    // found through the PATH the launcher extends by the native folder.
    const HMODULE library = LoadLibraryExA(path.c_str(), nullptr, 0);
    if (library != nullptr) {
        FreeLibrary(library);
        return true;
    }
    const DWORD error = GetLastError();
    const std::string missing = missingImport(path, &seen);
    *problem = "LoadLibrary failed with error " + std::to_string(error) +
               (missing.empty() ? std::string() : ": missing " + missing);
    return false;
}

bool databaseClientLoads(const char* nativeDirectory, std::string* problem) {
    // Loaded once it stays for the database checks, whose calls of libpq
    // then find it by its name.
    if (nativeDirectory != nullptr) {
        const std::string own = std::string(nativeDirectory) + (kOwnMachine == kMachineX64 ? "\\x64" : "") +
                                "\\libpq.dll";
        if (readExecutableMachine(own.c_str()) == kOwnMachine &&
            LoadLibraryExA(own.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH) != nullptr) {
            return true;
        }
    }
    const HMODULE library = LoadLibraryA("libpq.dll");
    if (library != nullptr) return true;
    std::set<std::string> seen;
    const std::string found = searchDll("libpq.dll");
    *problem = found.empty() ? "libpq.dll not found beside the program, in the system folders or on PATH"
                             : "libpq.dll at " + found + " does not load (error " +
                                   std::to_string(GetLastError()) + ")";
    if (!found.empty()) {
        const std::string missing = missingImport(found, &seen);
        if (!missing.empty()) *problem += ": missing " + missing;
    }
    return false;
}

bool urlHandlerCommand(const std::string& scheme, std::string* command, std::string* where) {
    const std::string key = "Software\\Classes\\" + scheme + "\\shell\\open\\command";
    const struct {
        HKEY root;
        const char* name;
    } roots[] = {{HKEY_CURRENT_USER, "HKCU"}, {HKEY_LOCAL_MACHINE, "HKLM"}};
    for (const auto& root : roots) {
        char* value = getRegKey(root.root, key.c_str(), "");
        if (value != nullptr) {
            *command = value;
            free(value);
            *where = std::string(root.name) + "\\" + key;
            return true;
        }
    }
    *where = "HKCU and HKLM \\" + key;
    return false;
}

bool folderTakesFiles(const std::string& folder) {
    char probe[MAX_PATH];
    if (GetTempFileNameA(folder.c_str(), "tck", 0, probe) == 0) return false;  // creates the file
    DeleteFileA(probe);
    return true;
}

bool samePath(const std::string& a, const std::string& b) {
    char fullA[MAX_PATH], fullB[MAX_PATH];
    if (GetFullPathNameA(a.c_str(), sizeof fullA, fullA, nullptr) == 0 ||
        GetFullPathNameA(b.c_str(), sizeof fullB, fullB, nullptr) == 0) {
        return _stricmp(a.c_str(), b.c_str()) == 0;
    }
    return _stricmp(fullA, fullB) == 0;
}

}  // namespace tarvo_check
