// The pieces behind getCurrentUserGroups (utilglobal.h): the SID text and,
// per platform, the token and the system calls that tests may replace.
#pragma once

#include <stdint.h>

// Writes the text of a security identifier: "S-1-", the 48-bit identifier
// authority (six bytes, most significant first), then "-%lu" for each
// sub-authority. The authority is decimal when its first two bytes are zero,
// else "0x" and twelve lowercase hexadecimal digits. Needs
// sidTextSpace(count) bytes: when *size is smaller, stores that space in
// *size and returns 0; otherwise writes the text and returns 1.
int formatSidText(const uint8_t authority[6], const uint32_t* subAuthorities, int count, char* text,
                  uint32_t* size);

// The space formatSidText needs for `count` sub-authorities, terminator
// included.
uint32_t sidTextSpace(int count);

// Releases the first `count` entries of a result of getCurrentUserGroups and
// the array itself; null arrays and entries are fine.
void freeTextList(char** texts, int32_t count);

#ifdef _WIN32

#include <windows.h>

// The calls of the group listing that a test can make fail (Wine always
// grants them); the real ones of advapi32 unless a test replaced them.
struct UserGroupCalls {
    BOOL(WINAPI* openProcessToken)(HANDLE process, DWORD access, PHANDLE token);
    BOOL(WINAPI* getTokenInformation)(HANDLE token, TOKEN_INFORMATION_CLASS informationClass, LPVOID buffer,
                                      DWORD length, PDWORD returned);
    BOOL(WINAPI* lookupAccountSidA)(LPCSTR system, PSID sid, LPSTR name, LPDWORD nameLength, LPSTR domain,
                                    LPDWORD domainLength, PSID_NAME_USE use);
};
extern UserGroupCalls userGroupCalls;
extern const UserGroupCalls kSystemUserGroupCalls;

// Opens the calling thread's token for reading (the impersonated user's when
// the thread impersonates), else the process's. Returns 1 and the token,
// which the caller closes, or 0.
int openUserToken(int32_t verbose, HANDLE* token);

// Writes the text of a SID into `text` (*size bytes). Too small a size stores
// the space needed in *size, sets the last error to ERROR_INSUFFICIENT_BUFFER
// and returns 0; a size of 0 with no buffer asks for that space. An invalid
// SID returns 0 and writes nothing.
int sidToString(PSID sid, char* text, DWORD* size);

#else

#include <grp.h>
#include <sys/types.h>

// The calls of the group listing that a test can steer; the C library's
// unless a test replaced them.
struct UserGroupCalls {
    int (*getgroups)(int size, gid_t list[]);
    int (*getgrgid_r)(gid_t gid, struct group* entry, char* buffer, size_t length, struct group** result);
};
extern UserGroupCalls userGroupCalls;
extern const UserGroupCalls kSystemUserGroupCalls;

// The text "S-1-22-2-<gid>" of a Unix group (the mapping Samba uses), with
// the size contract of formatSidText; errno is ERANGE when it returns 0.
int sidToString(gid_t gid, char* text, uint32_t* size);

#endif
