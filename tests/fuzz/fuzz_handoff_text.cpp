// Feeds arbitrary texts to the hand-off's URL helpers: the input is split at
// its first two NUL bytes into text, start marker and end marker.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "handoff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t first = input.find('\0');
    const size_t second = first == std::string::npos ? first : input.find('\0', first + 1);
    std::string text = input.substr(0, first);
    const std::string start = first == std::string::npos ? "query=" : input.substr(first + 1, second - first - 1);
    const std::string end = second == std::string::npos ? "&urlParams=" : input.substr(second + 1);

    char* span = extractBetween(text.c_str(), start.c_str(), end.c_str());
    if (span == nullptr || strlen(span) > text.size()) abort();
    if (text.find(span) == std::string::npos) abort();  // the span is a piece of the text

    char* trimmed = trimSlashes(span);
    std::string decoded(strlen(trimmed) + 1, '\xff');
    urlDecode(trimmed, &decoded[0]);
    if (strlen(decoded.c_str()) > strlen(trimmed)) abort();
    free(span);
    startsWith(start.c_str(), text.c_str());
    return 0;
}
