// readpara: loads a whole parameter file into a parameter table.
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "paramfile.h"

// Reads the lines of `file` (of `size` bytes) into `table`, which holds
// `capacity` bytes, and writes the end marker. Text mode can only shrink what
// is read, so capacity size + 2 always suffices; the check against it guards
// against a file that grows while it is read.
static void readLines(FILE* file, long size, char* line, char* table, long capacity) {
    long pos = 0;
    if (size >= 2) {
        while (getfile(line, size, file) != nullptr) {
            check(line);
            char* text = line + strspn(line, " \t");
            if (*text == '\0') continue;
            del_space(text);
            const long length = (long)strlen(text) + 1;
            if (pos + length + 1 > capacity) break;
            memcpy(table + pos, text, (size_t)length);
            pos += length;
        }
    }
    table[pos] = PARAMETER_TABLE_END;
}

char* readpara(const char* path) {
    if (path == nullptr) return nullptr;
    // "t" asks the Windows runtime for text mode (CR LF read as LF); the C
    // library of Linux reads every file as text and ignores it.
    FILE* file = fopen(path, "rt");
    if (file == nullptr) return nullptr;

    struct stat status;
    char* table = nullptr;
    if (fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_size <= PARAMETER_FILE_MAX_BYTES) {
        const long size = (long)status.st_size;
        const long capacity = size + 2;
        char* line = (char*)malloc((size_t)capacity);
        table = (char*)malloc((size_t)capacity);
        if (line != nullptr && table != nullptr) {
            readLines(file, size, line, table, capacity);
        } else {
            free(table);
            table = nullptr;
        }
        free(line);
    }
    fclose(file);
    return table;
}
