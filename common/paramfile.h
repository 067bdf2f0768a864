// Parameter files: "tarvoLauncher.conf" and "routing.conf" read into a
// parameter table and queried by key.
//
// A parameter table is one malloc'ed block holding the file's stored lines in
// file order, each NUL-terminated, followed by the end marker 0x0A. Its owner
// releases it with free(); values returned by getpara point into it.
#pragma once

#include <stdio.h>

#include "export.h"

#ifdef __cplusplus
extern "C" {
#endif

// Files larger than this are refused: parameter files are a few kilobytes, and
// the bound keeps a runaway file from taking the process's memory.
#define PARAMETER_FILE_MAX_BYTES (1024L * 1024L)

// The byte that follows the last stored line of a table.
#define PARAMETER_TABLE_END '\n'

// Loads a whole parameter file. Returns a new table, or null when the file
// cannot be opened for reading, is not a regular file, its size cannot be
// read, it is larger than PARAMETER_FILE_MAX_BYTES, or memory runs out.
// A file of fewer than 2 bytes gives an empty table (the end marker alone).
TARVO_EXPORT char* readpara(const char* path);

// Returns the value of the first stored line whose key matches `key` without
// regard to ASCII case, or null. The pointer points into `table`.
TARVO_EXPORT char* getpara(const char* table, const char* key);

// Reads one line of at most `limit` characters into `buffer` (which holds at
// least limit + 1 bytes). The line end (LF, CR, or end of file) is consumed,
// not stored. Returns `buffer`, or null at the end of the file with nothing read.
char* getfile(char* buffer, long limit, FILE* stream);

// Cuts the comment ("#" or "!" not preceded by a backslash) off `line` in
// place; removes the backslash of each escaped "\#" and "\!".
void check(char* line);

// Removes the trailing spaces and tabs of a non-empty `text` in place.
char* del_space(char* text);

#ifdef __cplusplus
}
#endif
