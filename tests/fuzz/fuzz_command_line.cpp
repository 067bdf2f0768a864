// Feeds arbitrary text to the command-line splitter of the Linux port and
// checks what every split must keep: the vector ends in null, no text holds a
// blank unless the input quoted one, and no text is longer than the input.
// Then the round trip: the input read as arguments separated by zero bytes,
// each quoted as the launcher quotes its arguments for the viewer, must split
// back into exactly those arguments.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "cmdline_split.h"
#include "commandline.h"

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

static void checkRoundTrip(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments;
    const char* begin = (const char*)data;
    for (const char* end = begin + size;;) {
        const char* zero = (const char*)memchr(begin, '\0', (size_t)(end - begin));
        arguments.emplace_back(begin, zero != nullptr ? zero : end);
        if (zero == nullptr) break;
        begin = zero + 1;
    }
    std::string line;
    for (const auto& argument : arguments) {
        char* quoted = quoteArgument(argument.c_str());
        if (quoted == nullptr) abort();
        line += " " + std::string(quoted);
        free(quoted);
    }
    int count = -1;
    char** texts = splitArguments(line.c_str(), &count);
    if (texts == nullptr || count != (int)arguments.size()) abort();
    for (int i = 0; i < count; ++i) {
        if (arguments[(size_t)i] != texts[i]) abort();
    }
    free(texts);
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
    checkRoundTrip(data, size);
    return 0;
}
