// UTF-8 and UTF-16 conversions by hand, the same on every platform, and the
// conversions between the platform's encoding and UTF-8 through UTF-16.
#include "text_encoding.h"

#include <stdlib.h>
#include <string.h>

namespace {

const uint32_t replacementCharacter = 0xFFFD;

// Decodes one character at text[*at], advancing *at. Returns U+FFFD for an
// invalid sequence (one byte consumed) and sets *valid to false.
uint32_t decodeUtf8(const unsigned char* text, size_t* at, bool* valid) {
    unsigned char lead = text[*at];
    int length;
    uint32_t value;
    uint32_t minimum;
    if (lead < 0x80) {
        ++*at;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++*at;
        *valid = false;
        return replacementCharacter;
    }
    for (int i = 1; i < length; ++i) {
        unsigned char next = text[*at + i];  // the terminator stops this too
        if ((next & 0xC0) != 0x80) {
            ++*at;
            *valid = false;
            return replacementCharacter;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++*at;
        *valid = false;
        return replacementCharacter;
    }
    *at += length;
    return value;
}

}  // namespace

size_t utf8CharacterCount(const char* text) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    size_t count = 0;
    bool valid = true;
    for (size_t at = 0; bytes[at] != 0; ++count) decodeUtf8(bytes, &at, &valid);
    return count;
}

size_t platformCharacterCount(const char* text) {
    char* utf8 = platformToUtf8(text);
    const size_t count = utf8 != nullptr ? utf8CharacterCount(utf8) : strlen(text);
    free(utf8);
    return count;
}

bool isValidUtf8(const char* text) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    bool valid = true;
    for (size_t at = 0; bytes[at] != 0 && valid;) decodeUtf8(bytes, &at, &valid);
    return valid;
}

char* utf16ToUtf8(const uint16_t* units, size_t count) {
    // At most three bytes for each unit: a surrogate pair is two units for
    // four bytes.
    if (count > (SIZE_MAX - 1) / 3) return nullptr;
    char* result = static_cast<char*>(malloc(count * 3 + 1));
    if (result == nullptr) return nullptr;
    size_t out = 0;
    for (size_t i = 0; i < count; ++i) {
        uint32_t value = units[i];
        if (value >= 0xD800 && value <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            value = 0x10000 + ((value - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if ((value >= 0xD800 && value <= 0xDFFF) || value == 0) {
            free(result);
            return nullptr;
        }
        if (value < 0x80) {
            result[out++] = static_cast<char>(value);
        } else if (value < 0x800) {
            result[out++] = static_cast<char>(0xC0 | (value >> 6));
            result[out++] = static_cast<char>(0x80 | (value & 0x3F));
        } else if (value < 0x10000) {
            result[out++] = static_cast<char>(0xE0 | (value >> 12));
            result[out++] = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
            result[out++] = static_cast<char>(0x80 | (value & 0x3F));
        } else {
            result[out++] = static_cast<char>(0xF0 | (value >> 18));
            result[out++] = static_cast<char>(0x80 | ((value >> 12) & 0x3F));
            result[out++] = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
            result[out++] = static_cast<char>(0x80 | (value & 0x3F));
        }
    }
    result[out] = 0;
    return result;
}

uint16_t* utf8ToUtf16(const char* text, size_t* count) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    size_t length = strlen(text);
    // Never more units than bytes: a four-byte character gives two units.
    uint16_t* result = static_cast<uint16_t*>(malloc((length + 1) * sizeof(uint16_t)));
    if (result == nullptr) return nullptr;
    size_t out = 0;
    bool valid = true;
    for (size_t at = 0; at < length;) {
        uint32_t value = decodeUtf8(bytes, &at, &valid);
        if (value >= 0x10000) {
            value -= 0x10000;
            result[out++] = static_cast<uint16_t>(0xD800 + (value >> 10));
            result[out++] = static_cast<uint16_t>(0xDC00 + (value & 0x3FF));
        } else {
            result[out++] = static_cast<uint16_t>(value);
        }
    }
    result[out] = 0;
    *count = out;
    return result;
}

char* platformToUtf8(const char* text) {
    if (!isValidPlatformText(text)) return nullptr;
    size_t count = 0;
    uint16_t* units = platformToUtf16(text, &count);
    if (units == nullptr) return nullptr;
    char* result = utf16ToUtf8(units, count);
    free(units);
    return result;
}

char* utf8ToPlatform(const char* text) {
    if (!isValidUtf8(text)) return nullptr;
    size_t count = 0;
    uint16_t* units = utf8ToUtf16(text, &count);
    if (units == nullptr) return nullptr;
    char* result = utf16ToPlatform(units, count);
    free(units);
    return result;
}
