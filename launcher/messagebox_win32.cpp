// Message boxes on Windows: MessageBoxA without an owner window.
#include <windows.h>

#include "launcher_platform.h"

void showSystemMessageBox(const char* text, const char* caption, unsigned style) {
    MessageBoxA(nullptr, text, caption, style);
}
