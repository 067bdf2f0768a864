// The plain-text files of a container that the autorouter service reads:
// rule kinds, source data and the import info. Every file is written in text
// mode, so a line end is CR LF on Windows and LF elsewhere, as the service
// expects on each platform.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "container_fs.h"
#include "routing.h"

int ruleKind(const char* const* values, int count) {
    int kind = 0;
    for (int i = 0; i < count; ++i) {
        if (strcasecmp(values[i], "IMPORT") == 0 || strcasecmp(values[i], "STAGING_ONLY") == 0) {
            kind |= RULE_STAGING;
        } else if (strcasecmp(values[i], "ARCHIVE_ONLY") == 0) {
            kind |= RULE_ARCHIVE_ONLY;
        }
    }
    return kind;
}

const char* sourceValueWithLineEnd(const char* destination, const char* sender, const char* senderHost) {
    if (strpbrk(destination, "\r\n") != nullptr) return "the destination";
    if (strpbrk(sender, "\r\n") != nullptr) return "the sender";
    if (strpbrk(senderHost, "\r\n") != nullptr) return "the sender host";
    return nullptr;
}

int writeSourceDataFile(const char* directory, const char* destination, const char* sender,
                        const char* senderHost, int replace, char** path) {
    ContainerFile file;
    if (!openContainerFile(&file, directory, "sourcedata.db", "sourcedatafile", replace)) return 0;
    const char* what = sourceValueWithLineEnd(destination, sender, senderHost);
    const char* const lines[] = {destination, sender, senderHost};
    for (const char* const& value : lines) writeValuesLine(&file, &value, 1, 0, what);
    char* filePath = path != nullptr ? strdup(file.path) : nullptr;
    const int whole = closeContainerFile(&file);
    if (whole && path != nullptr) {
        *path = filePath;
    } else {
        free(filePath);
    }
    return whole ? 1 : -1;
}

int writeImportInfoFile(const char* dataDirectory, const char* uniqueId, const char* destination,
                        const char* sender, const char* senderHost) {
    ContainerFile file;
    if (!openContainerFile(&file, dataDirectory, "dbImport.info", "dbImport info file", 0)) return 0;
    const char* what = sourceValueWithLineEnd(destination, sender, senderHost);
    if (what != nullptr) {
        fprintf(stderr, "can't write %s '%s': %s holds a line end\n", file.kind, file.path, what);
        file.refused = 1;
    } else {
        // The parent object id stays a literal "%s": the service fills it in.
        const int written = fprintf(file.stream,
                                    "SQL_STUDY: insert into studysource (tarvooid, parentoid, destination, sender, "
                                    "senderhost) values ('%s','%s','%s','%s','%s');\n",
                                    uniqueId, "%s", destination, sender, senderHost);
        if (written < 0 && errno != 0) file.error = errno;  // else the close finds it
    }
    return closeContainerFile(&file);
}

int removeContainerDirectory(const char* path) {
    const int error = removeFolderTree(path);
    if (error == 0) return 1;
    fprintf(stderr, "Can't remove container directory '%s': %i\n", path, error);
    return 0;
}
