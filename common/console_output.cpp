// The utility layer's console: a sink the linking program chooses.
#include "console_output.h"

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>

static int toProcessStream(FILE* stream, const char* text) {
    fputs(text, stream);
    fputc('\n', stream);
    fflush(stream);
    return (int)strlen(text);
}

static std::atomic<ConsoleSink> consoleSink{toProcessStream};

void setConsoleSink(ConsoleSink sink) { consoleSink = sink != nullptr ? sink : toProcessStream; }

int consolePrintf(FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length < 0) return -1;
    char* text = (char*)malloc((size_t)length + 1);
    if (text == nullptr) return -1;
    va_start(args, format);
    vsnprintf(text, (size_t)length + 1, format, args);
    va_end(args);
    const int result = consoleSink.load()(stream, text);
    free(text);
    return result;
}
