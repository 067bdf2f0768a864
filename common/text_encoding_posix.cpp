// The platform's encoding on Linux is UTF-8.
#include "text_encoding.h"

char* utf16ToPlatform(const uint16_t* units, size_t count) { return utf16ToUtf8(units, count); }

uint16_t* platformToUtf16(const char* text, size_t* count) { return utf8ToUtf16(text, count); }

bool isValidPlatformText(const char* text) { return isValidUtf8(text); }
