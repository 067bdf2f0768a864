// Jar listing on Windows: FindFirstFileA with the search pattern.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include "launcher_platform.h"

static void copyEntry(const WIN32_FIND_DATAA& found, ListedName* entry) {
    snprintf(entry->name, sizeof entry->name, "%s", found.cFileName);
    entry->isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

JarListing* startJarListing(const char*, const char* pattern, ListedName* entry) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    copyEntry(found, entry);
    return (JarListing*)search;
}

bool nextJarListed(JarListing* listing, ListedName* entry) {
    WIN32_FIND_DATAA found;
    if (!FindNextFileA((HANDLE)listing, &found)) return false;
    copyEntry(found, entry);
    return true;
}

void endJarListing(JarListing* listing) { FindClose((HANDLE)listing); }
