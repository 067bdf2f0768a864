// The monitor walk on Linux: the connectors of the DRM cards in sysfs stand
// for the display adapters' outputs. A connector whose "status" is
// "connected" has a monitor (and uses up a display number); one that is also
// "enabled" is active and gets an entry with the bytes of its "edid" file.
// The adapter's texts come from the card's kernel driver.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "java_strings.h"
#include "monitor.h"

namespace {

const size_t kTextCapacity = 256;

// TARVO_SYSFS_ROOT lets tests put a tree of their own in place of /sys.
std::string sysfsRoot() {
    const char* root = getenv("TARVO_SYSFS_ROOT");
    return root != nullptr && root[0] != 0 ? root : "/sys";
}

// Reads up to `capacity` bytes of a regular file; *whole is false when the
// file holds more. -1 when it cannot be read. Opened without waiting, so a
// planted pipe or device cannot hold the call up.
long readBytes(const std::string& path, unsigned char* buffer, size_t capacity, bool* whole) {
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (file < 0) return -1;
    struct stat status;
    if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(file);
        return -1;
    }
    size_t count = 0;
    *whole = true;
    for (;;) {
        unsigned char extra;
        unsigned char* into = count < capacity ? buffer + count : &extra;
        const size_t room = count < capacity ? capacity - count : 1;
        const ssize_t got = read(file, into, room);
        if (got < 0) {
            close(file);
            return -1;
        }
        if (got == 0) break;
        if (into == &extra) {
            *whole = false;
            break;
        }
        count += (size_t)got;
    }
    close(file);
    return (long)count;
}

// The first line of a small text file, NUL-terminated within `text`; empty
// when the file cannot be read.
void readLine(const std::string& path, char (&text)[kTextCapacity]) {
    bool whole = false;
    const long count = readBytes(path, (unsigned char*)text, sizeof text - 1, &whole);
    text[count > 0 ? count : 0] = 0;
    text[strcspn(text, "\n")] = 0;
}

bool fileSays(const std::string& path, const char* expected) {
    char text[kTextCapacity];
    readLine(path, text);
    return strcmp(text, expected) == 0;
}

// "card<N>-<output>": the connectors of a card; card<N> alone is the card.
bool isConnector(const char* name, std::string* card) {
    if (strncmp(name, "card", 4) != 0) return false;
    size_t digits = strspn(name + 4, "0123456789");
    if (digits == 0 || name[4 + digits] != '-' || name[5 + digits] == 0) return false;
    card->assign(name, 4 + digits);
    return true;
}

// The connectors in a stable order: by card number, then by output name with
// numbers compared as numbers (card0-DP-2 before card0-DP-10).
std::vector<std::string> connectors(const std::string& drm) {
    std::vector<std::string> names;
    DIR* folder = opendir(drm.c_str());
    if (folder == nullptr) return names;
    std::string card;
    while (const dirent* entry = readdir(folder)) {
        if (isConnector(entry->d_name, &card)) names.push_back(entry->d_name);
    }
    closedir(folder);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return strverscmp(a.c_str(), b.c_str()) < 0; });
    return names;
}

struct AdapterTexts {
    char driver[kTextCapacity];   // the card's kernel driver: the device string
    char version[kTextCapacity];  // the driver module's version, else the kernel release
    char date[kTextCapacity];     // sysfs holds no driver date: always empty
};

AdapterTexts adapterTexts(const std::string& root, const std::string& cardPath) {
    AdapterTexts texts = {};
    char link[kTextCapacity];
    const ssize_t length = readlink((cardPath + "/device/driver").c_str(), link, sizeof link - 1);
    if (length <= 0) return texts;
    link[length] = 0;
    const char* slash = strrchr(link, '/');
    const char* driver = slash != nullptr ? slash + 1 : link;
    if (driver[0] == 0 || strcmp(driver, ".") == 0 || strcmp(driver, "..") == 0) return texts;
    snprintf(texts.driver, sizeof texts.driver, "%s", driver);
    readLine(root + "/module/" + driver + "/version", texts.version);
    struct utsname system;
    if (texts.version[0] == 0 && uname(&system) == 0) {
        snprintf(texts.version, sizeof texts.version, "%s", system.release);
    }
    return texts;
}

}  // namespace

jstring newMonitorString(JNIEnv* env, const MonitorChar* text) { return newJavaString(env, text); }

bool collectMonitors(JNIEnv* env, jobject object, bool debug) {
    const std::string root = sysfsRoot();
    const std::string drm = root + "/class/drm";
    int displayNumber = 0;
    int index = 0;
    for (const std::string& name : connectors(drm)) {
        const std::string connector = drm + "/" + name;
        std::string card;
        isConnector(name.c_str(), &card);
        const AdapterTexts texts = adapterTexts(root, drm + "/" + card);
        if (debug) {
            printf("##################################\n");
            printf("Device id: %i\n", index);
            printf("Device Name: %s\n", name.c_str());
            printf("Device String: %s\n", texts.driver);
            printf("Device ID: %s\n", card.c_str());
            printf("DriverVersion: %s\n", texts.version);
            printf("DriverDate: %s\n", texts.date);
        }
        ++index;
        if (fileSays(connector + "/status", "connected")) {
            ++displayNumber;
            if (!fileSays(connector + "/enabled", "enabled")) {
                if (debug) printf("    device not active\n");
                continue;
            }
            if (debug) {
                printf("  Displaynumber: %d\n", displayNumber);
                printf("  Device Name: %s\n", name.c_str());
            }
            if (!putMonitorData(env, object, debug, displayNumber, 0, nullptr, texts.driver, texts.version,
                                texts.date)) {
                return false;
            }
            unsigned char edid[MONITOR_EDID_CAPACITY];
            bool whole = false;
            const long size = readBytes(connector + "/edid", edid, sizeof edid, &whole);
            if (size > 0 && whole) {
                if (!putMonitorData(env, object, debug, displayNumber, (size_t)size, edid, texts.driver,
                                    texts.version, texts.date)) {
                    return false;
                }
            } else if (debug) {
                printf("Could not query registry key for EDID\n");
            }
        }
        if (debug) printf("##################################\n\n");
    }
    return true;
}
