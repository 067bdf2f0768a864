// The system's answers on Linux: dlopen, the desktop database, probe files.
#include "system.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace tarvo_check {

const char kLibraryFile[] = "libtarvoUtils.so";
const char kLauncherFile[] = "TarvoLauncher";

bool libraryLoads(const std::string& path, std::string* problem, std::string* /*note*/) {
    // dlerror names the shared object that is missing.
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = dlerror();
        *problem = reason != nullptr ? reason : "dlopen failed";
        return false;
    }
    dlclose(library);
    return true;
}

bool databaseClientLoads(const char* /*nativeDirectory*/, std::string* /*problem*/) { return true; }

static std::string environmentOr(const char* name, const std::string& fallback) {
    const char* value = getenv(name);
    return value != nullptr && value[0] != '\0' ? value : fallback;
}

static std::vector<std::string> splitList(const std::string& list) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find_first_of(":;", start);
        if (end == std::string::npos) end = list.size();
        if (end > start) parts.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The value of `key` in section `section` of a desktop-style file.
static std::string iniValue(const std::filesystem::path& file, const std::string& section, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
            inSection = line == "[" + section + "]";
        } else if (inSection && line.compare(0, key.size() + 1, key + "=") == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return "";
}

static std::vector<std::string> applicationFolders() {
    const std::string home = environmentOr("HOME", "/");
    std::vector<std::string> folders{environmentOr("XDG_DATA_HOME", home + "/.local/share") + "/applications"};
    for (const std::string& dir : splitList(environmentOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))) {
        folders.push_back(dir + "/applications");
    }
    return folders;
}

// The desktop file id associated with the MIME type: the defaults of the
// mimeapps.list files, then the desktop database (mimeinfo.cache), then the
// MimeType lines of the desktop files themselves.
static std::string handlerDesktopId(const std::string& mime, std::string* where) {
    const std::string home = environmentOr("HOME", "/");
    std::vector<std::filesystem::path> lists{environmentOr("XDG_CONFIG_HOME", home + "/.config") + "/mimeapps.list"};
    for (const std::string& dir : splitList(environmentOr("XDG_CONFIG_DIRS", "/etc/xdg"))) {
        lists.push_back(dir + "/mimeapps.list");
    }
    for (const std::string& folder : applicationFolders()) lists.push_back(folder + "/mimeapps.list");
    for (const auto& list : lists) {
        const std::string value = iniValue(list, "Default Applications", mime);
        if (!value.empty()) {
            *where = list.string();
            return value.substr(0, value.find(';'));
        }
    }
    for (const std::string& folder : applicationFolders()) {
        const std::string value = iniValue(folder + "/mimeinfo.cache", "MIME Cache", mime);
        if (!value.empty()) {
            *where = folder + "/mimeinfo.cache";
            return value.substr(0, value.find(';'));
        }
    }
    for (const std::string& folder : applicationFolders()) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (entry.path().extension() != ".desktop") continue;
            const std::string types = ";" + iniValue(entry.path(), "Desktop Entry", "MimeType");
            if (types.find(";" + mime + ";") != std::string::npos) {
                *where = entry.path().string();
                return entry.path().filename().string();
            }
        }
    }
    *where = "mimeapps.list, mimeinfo.cache and the desktop files of the XDG folders";
    return "";
}

bool urlHandlerCommand(const std::string& scheme, std::string* command, std::string* where) {
    const std::string id = handlerDesktopId("x-scheme-handler/" + scheme, where);
    if (id.empty()) return false;
    for (const std::string& folder : applicationFolders()) {
        const std::filesystem::path file = std::filesystem::path(folder) / id;
        if (!std::filesystem::exists(file)) continue;
        *command = iniValue(file, "Desktop Entry", "Exec");
        *where += " -> " + file.string();
        return !command->empty();
    }
    *where += " names " + id + ", which no applications folder holds";
    return false;
}

bool folderTakesFiles(const std::string& folder) {
    std::string probe = folder + "/.tarvocheck-XXXXXX";
    const int fd = mkstemp(&probe[0]);
    if (fd < 0) return false;
    close(fd);
    unlink(probe.c_str());
    return true;
}

bool samePath(const std::string& a, const std::string& b) {
    std::error_code error;
    return a == b || std::filesystem::equivalent(a, b, error);
}

}  // namespace tarvo_check
