// Message boxes on Linux: the launcher has no window system of its own, so a
// box is one line on standard error, prefixed by its caption when it has one.
#include <stdio.h>

#include "launcher_platform.h"

void showSystemMessageBox(const char* text, const char* caption, unsigned) {
    if (caption != nullptr) {
        fprintf(stderr, "%s: %s\n", caption, text);
    } else {
        fprintf(stderr, "%s\n", text);
    }
}
