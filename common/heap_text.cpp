// Heap texts: printf-style composition and growth.
#include "heap_text.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

char* formatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length < 0) return nullptr;
    char* text = (char*)malloc((size_t)length + 1);
    if (text == nullptr) return nullptr;
    va_start(args, format);
    vsnprintf(text, (size_t)length + 1, format, args);
    va_end(args);
    return text;
}

bool appendText(char** text, const char* piece) {
    const size_t have = *text != nullptr ? strlen(*text) : 0;
    const size_t add = strlen(piece);
    char* grown = (char*)realloc(*text, have + add + 1);
    if (grown == nullptr) return false;
    memcpy(grown + have, piece, add + 1);
    *text = grown;
    return true;
}
