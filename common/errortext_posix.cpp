// The C library's message text for an errno value, written to the standard
// error descriptor.
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "utilglobal.h"

void DisplayErrorText(uint32_t code) {
    // strerror invents "Unknown error N" for codes it does not know; those
    // have no name and write nothing, as Windows writes nothing for a code
    // without a message.
    if (code > 0x7fffffff || strerrorname_np((int)code) == nullptr) return;
    char text[256];
    char line[260];
    const int length = snprintf(line, sizeof line, "%s\n", strerror_r((int)code, text, sizeof text));
    if (length <= 0) return;
    const ssize_t written = write(STDERR_FILENO, line, (size_t)length < sizeof line ? length : sizeof line - 1);
    (void)written;
}
