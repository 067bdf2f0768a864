// The groups of the current user's access token, as SID texts and account
// names.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "usergroups.h"
#include "utilglobal.h"

const UserGroupCalls kSystemUserGroupCalls = {OpenProcessToken, GetTokenInformation, LookupAccountSidA};
UserGroupCalls userGroupCalls = kSystemUserGroupCalls;

namespace {

// "<call> error [<code>]: " and the system's text for the code.
void reportError(int32_t verbose, const char* call, DWORD code) {
    if (!verbose) return;
    printf("%s error [%d]: ", call, (int)code);
    DisplayErrorText(code);
}

// The account name of `sid` on the local system as a new string; null when
// it cannot be resolved.
char* accountName(PSID sid, int32_t verbose) {
    DWORD nameLength = 0;
    DWORD domainLength = 0;
    SID_NAME_USE use;
    // The first call only asks for the lengths; when it succeeds there is no
    // name to read.
    if (userGroupCalls.lookupAccountSidA(nullptr, sid, nullptr, &nameLength, nullptr, &domainLength, &use)) {
        return nullptr;
    }
    char* name = (char*)malloc(nameLength + 1);
    char* domain = (char*)malloc(domainLength + 1);
    if (name == nullptr || domain == nullptr ||
        !userGroupCalls.lookupAccountSidA(nullptr, sid, name, &nameLength, domain, &domainLength, &use)) {
        reportError(verbose, "LookupAccountSidA",
                    name == nullptr || domain == nullptr ? ERROR_NOT_ENOUGH_MEMORY : GetLastError());
        free(name);
        name = nullptr;
    }
    free(domain);
    return name;
}

// The SID's text as a new string; null when memory runs out.
char* sidText(PSID sid) {
    DWORD size = 0;
    sidToString(sid, nullptr, &size);
    char* text = (char*)malloc(size);
    if (text != nullptr && !sidToString(sid, text, &size)) {
        free(text);
        text = nullptr;
    }
    return text;
}

}  // namespace

int sidToString(PSID sid, char* text, DWORD* size) {
    if (sid == nullptr || !IsValidSid(sid)) return 0;
    const SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(sid);
    const int count = *GetSidSubAuthorityCount(sid);
    uint32_t subAuthorities[SID_MAX_SUB_AUTHORITIES];
    for (int i = 0; i < count; ++i) subAuthorities[i] = *GetSidSubAuthority(sid, i);
    uint32_t space = *size;
    if (!formatSidText(authority->Value, subAuthorities, count, text, &space)) {
        *size = space;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return 1;
}

int openUserToken(int32_t verbose, HANDLE* token) {
    // Not as self: a thread that impersonates yields the impersonated user.
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_READ, FALSE, token)) {
        reportError(verbose, "OpenThreadToken", GetLastError());
        if (!userGroupCalls.openProcessToken(GetCurrentProcess(), TOKEN_READ, token)) {
            reportError(verbose, "OpenProcessToken", GetLastError());
            return 0;
        }
    }
    if (verbose) printf("got user access token\n");
    return 1;
}

int getCurrentUserGroups(int32_t* count, char*** names, char*** sids, int32_t verbose) {
    HANDLE token;
    if (!openUserToken(verbose, &token)) return 0;

    DWORD size = 0;
    userGroupCalls.getTokenInformation(token, TokenGroups, nullptr, 0, &size);
    TOKEN_GROUPS* groups = (TOKEN_GROUPS*)malloc(size > 0 ? size : 1);
    if (groups == nullptr || !userGroupCalls.getTokenInformation(token, TokenGroups, groups, size, &size)) {
        reportError(verbose, "GetTokenInformation", groups == nullptr ? ERROR_NOT_ENOUGH_MEMORY : GetLastError());
        free(groups);
        CloseHandle(token);
        return 0;
    }
    CloseHandle(token);

    const int32_t groupCount = (int32_t)groups->GroupCount;
    if (groupCount == 0) {
        free(groups);
        return 1;
    }
    char** sidTexts = (char**)calloc(groupCount, sizeof(char*));
    char** accountNames = (char**)calloc(groupCount, sizeof(char*));
    if (sidTexts == nullptr || accountNames == nullptr) {
        reportError(verbose, "GetTokenInformation", ERROR_NOT_ENOUGH_MEMORY);
        free(sidTexts);
        free(accountNames);
        free(groups);
        return 0;
    }
    for (int32_t i = 0; i < groupCount; ++i) {
        PSID sid = groups->Groups[i].Sid;
        sidTexts[i] = sidText(sid);
        if (sidTexts[i] == nullptr) {
            // sids entries are never null: without memory for one the list fails.
            reportError(verbose, "GetTokenInformation", ERROR_NOT_ENOUGH_MEMORY);
            freeTextList(sidTexts, i);
            freeTextList(accountNames, i);
            free(groups);
            return 0;
        }
        accountNames[i] = accountName(sid, verbose);
        if (verbose) {
            printf("getGroups[%i]: %s --> %s\n", (int)i, sidTexts[i],
                   accountNames[i] != nullptr ? accountNames[i] : "(null)");
        }
    }
    free(groups);
    *count = groupCount;
    *sids = sidTexts;
    *names = accountNames;
    return 1;
}
