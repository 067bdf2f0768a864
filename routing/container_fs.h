// The file-system steps of container files that differ by platform: replacing
// a file in one step, removing a folder tree and the process id that keeps
// the names of files written beside others apart.
#pragma once

// Puts `from` in place of `to` in one step: a reader of `to` sees the old
// file or the new one, never a part. Returns 0 or the system's error code.
int replaceFile(const char* from, const char* to);

// Removes `path` with everything below it; links are removed, not followed.
// Returns 0 or the system's error code of the first step that failed.
int removeFolderTree(const char* path);

// The calling process's id.
long fileOwnerProcessId(void);
