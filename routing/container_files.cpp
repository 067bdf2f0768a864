// The plain-text files of a container that the autorouter service reads:
// rule rows, source data and the import info. Every file is written in text
// mode, so a line end is CR LF on Windows and LF elsewhere, as the service
// expects on each platform.
#include <stdio.h>
#include <stdlib.h>
#include <strings.h>

#include "heap_text.h"
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

void writeFieldLine(FILE* file, const char* const* values, int count) {
    for (int i = 0; i < count; ++i) fprintf(file, "%s\t", values[i]);
    fputs("\n", file);
}

FILE* openContainerFile(const char* directory, const char* name, const char* kind, char** path) {
    char* filePath = formatText("%s/%s", directory, name);
    if (filePath == nullptr) return nullptr;
    FILE* file = fopen(filePath, "w");
    if (file == nullptr) fprintf(stderr, "can't open %s '%s' for writing\n", kind, filePath);
    if (file != nullptr && path != nullptr) {
        *path = filePath;
    } else {
        free(filePath);
    }
    return file;
}

int writeSourceDataFile(const char* directory, const char* destination, const char* sender,
                        const char* senderHost, char** path) {
    FILE* file = openContainerFile(directory, "sourcedata.db", "sourcedatafile", path);
    if (file == nullptr) return 0;
    fprintf(file, "%s\n", destination);
    fprintf(file, "%s\n", sender);
    fprintf(file, "%s\n", senderHost);
    fclose(file);
    return 1;
}

int writeImportInfoFile(const char* dataDirectory, const char* uniqueId, const char* destination,
                        const char* sender, const char* senderHost) {
    FILE* file = openContainerFile(dataDirectory, "dbImport.info", "dbImport info file", nullptr);
    if (file == nullptr) return 0;
    // The parent object id stays a literal "%s": the service fills it in.
    fprintf(file,
            "SQL_STUDY: insert into studysource (tarvooid, parentoid, destination, sender, senderhost) values "
            "('%s','%s','%s','%s','%s');\n",
            uniqueId, "%s", destination, sender, senderHost);
    fclose(file);
    return 1;
}
