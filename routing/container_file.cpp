// Container files that end whole or not at all: checked writes, a checked
// flush and close, and for a rewrite a new file beside the old one that
// replaces it in one step.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>

#include "container_fs.h"
#include "heap_text.h"
#include "routing.h"

// Files written beside others get names no other writer uses at the same time.
static std::atomic<unsigned> besideCounter{0};

int openContainerFile(ContainerFile* file, const char* directory, const char* name, const char* kind,
                      int replace) {
    *file = ContainerFile{nullptr, formatText("%s/%s", directory, name), nullptr, kind, 0, 0};
    if (file->path == nullptr) return 0;
    file->writtenPath = replace ? formatText("%s.%ld.%u.tmp", file->path, fileOwnerProcessId(), besideCounter++)
                                : strdup(file->path);
    if (file->writtenPath != nullptr) file->stream = fopen(file->writtenPath, "w");
    if (file->stream == nullptr) {
        fprintf(stderr, "can't open %s '%s' for writing\n", kind, file->path);
        free(file->path);
        free(file->writtenPath);
        file->path = file->writtenPath = nullptr;
        return 0;
    }
    return 1;
}

static void noteFailure(ContainerFile* file, bool failed) {
    if (failed && file->error == 0) file->error = errno != 0 ? errno : EIO;
}

void writeValuesLine(ContainerFile* file, const char* const* values, int count, int tabAfterEach,
                     const char* what) {
    if (file->refused) return;
    for (int i = 0; i < count; ++i) {
        if (strpbrk(values[i], "\r\n") != nullptr) {
            fprintf(stderr, "can't write %s '%s': %s holds a line end\n", file->kind, file->path, what);
            file->refused = 1;
            return;
        }
    }
    for (int i = 0; i < count; ++i) {
        noteFailure(file, fputs(values[i], file->stream) < 0);
        if (tabAfterEach || i + 1 < count) noteFailure(file, fputc('\t', file->stream) == EOF);
    }
    noteFailure(file, fputc('\n', file->stream) == EOF);
}

void writeFieldLine(ContainerFile* file, const char* const* values, int count) {
    writeValuesLine(file, values, count, 1, "a database value");
}

int closeContainerFile(ContainerFile* file) {
    noteFailure(file, fflush(file->stream) != 0 || ferror(file->stream));
    noteFailure(file, fclose(file->stream) != 0);
    int replaceError = 0;
    if (file->error == 0 && !file->refused && strcmp(file->writtenPath, file->path) != 0) {
        replaceError = replaceFile(file->writtenPath, file->path);
        if (replaceError != 0) fprintf(stderr, "can't replace %s '%s': %i\n", file->kind, file->path, replaceError);
    }
    const bool whole = file->error == 0 && !file->refused && replaceError == 0;
    if (file->error != 0) {
        fprintf(stderr, "can't write %s '%s': %s (%d)\n", file->kind, file->path, strerror(file->error),
                file->error);
    }
    if (!whole) remove(file->writtenPath);
    free(file->path);
    free(file->writtenPath);
    *file = ContainerFile{};
    return whole;
}
