// The session record: releasing it, the client address text, and the one
// process-wide copy that the Java methods read.
#include <stdio.h>
#include <stdlib.h>

#include <atomic>
#include <mutex>

#include "session_info_platform.h"
#include "utilglobal.h"

char* formatClientAddress(const unsigned char octets[4]) {
    char* text = (char*)calloc(1, kClientAddressSize);
    if (text != nullptr) snprintf(text, kClientAddressSize, "%i.%i.%i.%i", octets[0], octets[1], octets[2], octets[3]);
    return text;
}

void freeSessionInfo(SessionInfo* info) {
    if (info == nullptr) return;
    free(info->userName);
    free(info->userHome);
    free(info->clientName);
    free(info->clientAddress);
    *info = SessionInfo{};
}

static SessionInfo processSession;
static std::once_flag processSessionFilled;
static std::atomic<int> processSessionFills{0};

const SessionInfo* processSessionInfo(void) {
    // Java threads may ask first at the same time: one fills, the others wait
    // for the complete record.
    std::call_once(processSessionFilled, [] {
        getSessionInfo(&processSession);
        ++processSessionFills;
    });
    return &processSession;
}

int processSessionInfoFills(void) { return processSessionFills; }
