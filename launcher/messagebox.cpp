// Message boxes, shown or recorded (see messagebox.h).
#include "messagebox.h"

#include <stdio.h>
#include <stdlib.h>

#include "launcher_platform.h"

void showMessageBox(const char* text, const char* caption, unsigned style) {
    const char* record = getenv("TARVO_MESSAGE_BOX_LOG");
    if (record == nullptr || record[0] == '\0') {
        showSystemMessageBox(text, caption, style);
        return;
    }
    FILE* file = fopen(record, "ab");
    if (file == nullptr) {
        // A box that cannot be recorded is shown: it never vanishes.
        showSystemMessageBox(text, caption, style);
        return;
    }
    fprintf(file, "style=0x%08x caption=%s\n%s\n", style, caption != nullptr ? caption : "(default)",
            text);
    fclose(file);
}

void showErrorBox(const char* text) { showMessageBox(text, nullptr, kErrorBoxStyle); }

void showWarningBox(const char* text) { showMessageBox(text, "Warning", kWarningBoxStyle); }
