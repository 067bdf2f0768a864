// The text of a security identifier, shared by both platforms' group lists.
#include "usergroups.h"

#include <stdio.h>
#include <stdlib.h>

uint32_t sidTextSpace(int count) { return 28 + 12 * (uint32_t)count; }

int formatSidText(const uint8_t authority[6], const uint32_t* subAuthorities, int count, char* text,
                  uint32_t* size) {
    const uint32_t needed = sidTextSpace(count);
    if (text == nullptr || *size < needed) {
        *size = needed;
        return 0;
    }
    // The revision is always written as 1, whatever the SID holds.
    int length = snprintf(text, needed, "S-%lu-", 1ul);
    if (authority[0] != 0 || authority[1] != 0) {
        length += snprintf(text + length, needed - length, "0x%02hx%02hx%02hx%02hx%02hx%02hx",
                           (unsigned short)authority[0], (unsigned short)authority[1],
                           (unsigned short)authority[2], (unsigned short)authority[3],
                           (unsigned short)authority[4], (unsigned short)authority[5]);
    } else {
        const unsigned long value = (unsigned long)authority[5] + ((unsigned long)authority[4] << 8) +
                                    ((unsigned long)authority[3] << 16) + ((unsigned long)authority[2] << 24);
        length += snprintf(text + length, needed - length, "%lu", value);
    }
    for (int i = 0; i < count; ++i) {
        length += snprintf(text + length, needed - length, "-%lu", (unsigned long)subAuthorities[i]);
    }
    return 1;
}

void freeTextList(char** texts, int32_t count) {
    if (texts == nullptr) return;
    for (int32_t i = 0; i < count; ++i) free(texts[i]);
    free(texts);
}
