// Feeds arbitrary bytes to the parameter-file reader as a file, then looks up
// keys taken from the input and from the table itself.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "paramfile.h"

static std::string inputPath() {
    const char* dir = getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/fuzz_readpara." + std::to_string(getpid());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = inputPath();
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) abort();
    fwrite(data, 1, size, file);
    fclose(file);

    char* table = readpara(path.c_str());
    if (table == nullptr) abort();  // every regular file within the bound gives a table

    // Every stored line is a key that must be found again (perhaps an earlier
    // line with the same beginning wins), and a key from the raw input too.
    size_t lines = 0;
    for (const char* line = table; *line != PARAMETER_TABLE_END; line += strlen(line) + 1) {
        if (strlen(line) == 0 || strchr(line, '\n') != nullptr) abort();
        ++lines;
        const size_t keyLength = strcspn(line, " :=");
        const std::string key(line, keyLength);
        if (line[keyLength] == ':' || line[keyLength] == '=') {
            if (getpara(table, key.c_str()) == nullptr) abort();
        }
    }
    if (lines > size) abort();
    const std::string rawKey(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size < 16 ? size : 16));
    getpara(table, rawKey.c_str());
    free(table);
    return 0;
}
