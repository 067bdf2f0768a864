// Feeds arbitrary text to the command-line splitter of the Linux port and
// checks what every split must keep: the vector ends in null, no text holds a
// blank unless the input quoted one, and no text is longer than the input.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "cmdline_split.h"

static void checkSplit(char** texts, int count, const std::string& line) {
    if (texts == nullptr || count < 0 || texts[count] != nullptr) abort();
    size_t total = 0;
    for (int i = 0; i < count; ++i) {
        const size_t length = strlen(texts[i]);
        total += length;
        if ((memchr(texts[i], ' ', length) != nullptr || memchr(texts[i], '\t', length) != nullptr) &&
            line.find('"') == std::string::npos) {
            abort();
        }
    }
    if (total > line.size()) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line((const char*)data, strnlen((const char*)data, size));
    int count = -1;
    char** texts = splitCommandLine(line.c_str(), &count);
    checkSplit(texts, count, line);
    free(texts);
    texts = splitArguments(line.c_str(), &count);
    checkSplit(texts, count, line);
    free(texts);
    return 0;
}
