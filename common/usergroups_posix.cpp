// The groups of the current process: its effective group, then its
// supplementary groups, each once, as Unix-group SID texts and group names.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "usergroups.h"
#include "utilglobal.h"

const UserGroupCalls kSystemUserGroupCalls = {getgroups, getgrgid_r};
UserGroupCalls userGroupCalls = kSystemUserGroupCalls;

namespace {

// The Unix-group SID S-1-22-2-<gid>: authority 22, then 2 and the gid.
const uint8_t kUnixAuthority[6] = {0, 0, 0, 0, 0, 22};

void reportError(int32_t verbose, const char* call, int code) {
    if (!verbose) return;
    printf("%s error [%d]: ", call, code);
    DisplayErrorText((uint32_t)code);
}

// The group's name as a new string; null when the group database does not
// know the gid.
char* groupName(gid_t gid, int32_t verbose) {
    size_t length = 1024;
    for (;;) {
        char* buffer = (char*)malloc(length);
        if (buffer == nullptr) return nullptr;
        struct group entry;
        struct group* found = nullptr;
        const int error = userGroupCalls.getgrgid_r(gid, &entry, buffer, length, &found);
        if (error == ERANGE && length < (1u << 20)) {
            free(buffer);
            length *= 2;
            continue;
        }
        char* name = found != nullptr ? strdup(found->gr_name) : nullptr;
        if (found == nullptr) reportError(verbose, "LookupAccountSidA", error != 0 ? error : ENOENT);
        free(buffer);
        return name;
    }
}

char* sidText(gid_t gid) {
    uint32_t size = 0;
    sidToString(gid, nullptr, &size);
    char* text = (char*)malloc(size);
    if (text != nullptr) sidToString(gid, text, &size);
    return text;
}

// The effective group first, then the supplementary groups without repeats;
// a new array of *count entries, or null with errno set.
gid_t* processGroups(int* count) {
    const int supplementary = userGroupCalls.getgroups(0, nullptr);
    if (supplementary < 0) return nullptr;
    gid_t* list = (gid_t*)malloc(((size_t)supplementary + 1) * sizeof(gid_t));
    if (list == nullptr) return nullptr;
    const int read = userGroupCalls.getgroups(supplementary, list + 1);
    if (read < 0) {
        free(list);
        return nullptr;
    }
    list[0] = getegid();
    int kept = 1;
    for (int i = 1; i <= read; ++i) {
        bool seen = false;
        for (int j = 0; j < kept && !seen; ++j) seen = list[j] == list[i];
        if (!seen) list[kept++] = list[i];
    }
    *count = kept;
    return list;
}

}  // namespace

int sidToString(gid_t gid, char* text, uint32_t* size) {
    const uint32_t subAuthorities[2] = {2, (uint32_t)gid};
    if (!formatSidText(kUnixAuthority, subAuthorities, 2, text, size)) {
        errno = ERANGE;
        return 0;
    }
    return 1;
}

int getCurrentUserGroups(int32_t* count, char*** names, char*** sids, int32_t verbose) {
    if (verbose) printf("got user access token\n");
    int groupCount = 0;
    gid_t* groups = processGroups(&groupCount);
    if (groups == nullptr) {
        reportError(verbose, "GetTokenInformation", errno);
        return 0;
    }
    char** sidTexts = (char**)calloc(groupCount, sizeof(char*));
    char** groupNames = (char**)calloc(groupCount, sizeof(char*));
    for (int i = 0; i < groupCount && sidTexts != nullptr && groupNames != nullptr; ++i) {
        sidTexts[i] = sidText(groups[i]);
        if (sidTexts[i] == nullptr) {
            freeTextList(sidTexts, i);
            freeTextList(groupNames, i);
            sidTexts = groupNames = nullptr;
            break;
        }
        groupNames[i] = groupName(groups[i], verbose);
        if (verbose) {
            printf("getGroups[%i]: %s --> %s\n", i, sidTexts[i], groupNames[i] != nullptr ? groupNames[i] : "(null)");
        }
    }
    free(groups);
    if (sidTexts == nullptr || groupNames == nullptr) {
        free(sidTexts);
        free(groupNames);
        reportError(verbose, "GetTokenInformation", ENOMEM);
        return 0;
    }
    *count = groupCount;
    *sids = sidTexts;
    *names = groupNames;
    return 1;
}
