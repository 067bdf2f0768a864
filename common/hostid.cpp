// Machine ids, host id and unique ids: the rules both platforms share.
#include "hostid.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <mutex>

#include "hostid_platform.h"

static time_t systemNow(void) { return time(NULL); }

HostIdCalls hostIdCalls = {systemNow, hostProcessId};

// Building a list formats every entry in one shared buffer: one list at a time.
static std::mutex listLock;
static char formatBuffer[32];

// The host id once known; 0 while not.
static std::atomic<int> storedHostId{0};

// The second of the last unique id, the ids issued in it, and the buffer the
// id is written to: one unique id at a time.
static std::mutex uniqueLock;
static time_t uniqueSecond;
static int uniqueCounter;
static char uniqueBuffer[100];

static const char kVMwarePrefix[] = "vmware:";

// Appends a copy of `text`. When memory runs out the entry is left out and
// the list stays as it was.
static void appendEntry(MachineIdList* list, const char* text) {
    char* copy = strdup(text);
    if (copy == NULL) return;
    char** grown = (char**)realloc(list->entries, (list->count + 2) * sizeof(char*));
    if (grown == NULL) {
        free(copy);
        return;
    }
    grown[list->count++] = copy;
    grown[list->count] = NULL;
    list->entries = grown;
}

void addAdapterAddress(MachineIdList* list, const unsigned char address[6]) {
    snprintf(formatBuffer, sizeof formatBuffer, "%02X:%02X:%02X:%02X:%02X:%02X", address[0],
             address[1], address[2], address[3], address[4], address[5]);
    if (strncmp(formatBuffer, "00:50:56:C0:00", 14) == 0) return;
    if (strncmp(formatBuffer, "08:00", 5) == 0) return;
    appendEntry(list, formatBuffer);
}

void addVolumeSerial(MachineIdList* list, uint32_t serial) {
    snprintf(formatBuffer, sizeof formatBuffer, "disc:%02X:%02X:%02X:%02X:%02X:%02X", 0, 0,
             (unsigned)(serial >> 24) & 0xFF, (unsigned)(serial >> 16) & 0xFF,
             (unsigned)(serial >> 8) & 0xFF, (unsigned)serial & 0xFF);
    appendEntry(list, formatBuffer);
}

// Puts "vmware:" in front of every entry. An entry whose longer copy cannot
// be made keeps its plain form.
static void markVMwareGuest(MachineIdList* list) {
    for (size_t i = 0; i < list->count; i++) {
        snprintf(formatBuffer, sizeof formatBuffer, "%s%s", kVMwarePrefix, list->entries[i]);
        char* marked = strdup(formatBuffer);
        if (marked == NULL) continue;
        free(list->entries[i]);
        list->entries[i] = marked;
    }
}

char** getMachineIdList(void) {
    std::lock_guard<std::mutex> guard(listLock);
    MachineIdList list = {NULL, 0};
    if (!collectAdapterAddresses(&list)) return list.entries;
    uint32_t serial;
    if (readSystemVolumeSerial(&serial)) addVolumeSerial(&list, serial);
    if (list.count > 0 && isVMware()) markVMwareGuest(&list);
    return list.entries;
}

void freeMachineIdList(char** list) {
    if (list == NULL) return;
    for (char** entry = list; *entry != NULL; entry++) free(*entry);
    free(list);
}

char* getFirstMachineId(void) {
    char** list = getMachineIdList();
    char* first;
    if (list == NULL) {
        first = strdup("UNKNOWN");
    } else {
        // The first entry changes hands; the rest goes.
        first = list[0];
        for (char** entry = list + 1; *entry != NULL; entry++) free(*entry);
        free(list);
    }
    return first;
}

// Reads two hexadecimal digits.
static bool readHexByte(const char* text, unsigned* value) {
    unsigned result = 0;
    for (int i = 0; i < 2; i++) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9') digit = (unsigned)(c - '0');
        else if (c >= 'A' && c <= 'F') digit = (unsigned)(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f') digit = (unsigned)(c - 'a' + 10);
        else return false;
        result = result * 16 + digit;
    }
    *value = result;
    return true;
}

int hostIdOfMachineId(const char* machineId) {
    // A VMware guest's entries and the disc entry carry the same six fields
    // behind their prefixes; for the disc entry the last four are the serial.
    if (strncmp(machineId, kVMwarePrefix, strlen(kVMwarePrefix)) == 0) machineId += strlen(kVMwarePrefix);
    if (strncmp(machineId, "disc:", 5) == 0) machineId += 5;
    unsigned fields[6];
    for (int i = 0; i < 6; i++) {
        const char* field = machineId + 3 * i;
        if (!readHexByte(field, &fields[i])) return 0;
        if (i < 5 && field[2] != ':') return 0;
    }
    return (int)(fields[2] + fields[3] + fields[4] + fields[5]);
}

int computeHostId(void) {
    const int known = storedHostId.load();
    if (known != 0) return known;
    char* first = getFirstMachineId();
    const int hostId = first != NULL ? hostIdOfMachineId(first) : 0;
    free(first);
    storedHostId.store(hostId);
    return hostId;
}

char* getUniqueId(void) {
    const int hostId = computeHostId();
    std::lock_guard<std::mutex> guard(uniqueLock);
    const time_t now = hostIdCalls.now();
    if (now != uniqueSecond) uniqueCounter = 0;
    uniqueSecond = now;
    uniqueCounter++;
    snprintf(uniqueBuffer, sizeof uniqueBuffer, "0x%08lx.%i.%li.%i", (unsigned long)hostId,
             (int)hostIdCalls.processId(), (long)now, uniqueCounter);
    return strdup(uniqueBuffer);
}

void resetHostIdState(void) {
    std::lock_guard<std::mutex> guard(uniqueLock);
    storedHostId.store(0);
    uniqueSecond = 0;
    uniqueCounter = 0;
}
