// The verbose-mode console on Windows: a console of the launcher's own, 500
// lines high, with the runtime's standard streams bound to it.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include "console.h"

// Binds descriptor `fd` (and with it `stream`) to the standard handle `which`.
// A descriptor that already writes to that handle is left as it is: a
// launcher started with handles of its caller keeps them, and closing the
// runtime's old descriptor would close the handle itself. A missing handle
// leaves the stream alone.
static void bindStream(DWORD which, int fd, FILE* stream) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    fflush(stream);
    if ((HANDLE)_get_osfhandle(fd) != handle) {
        const int wrapped = _open_osfhandle((intptr_t)handle, _O_TEXT);
        if (wrapped < 0) return;
        // The wrapping descriptor owns the handle and stays open for the run.
        if (wrapped != fd) _dup2(wrapped, fd);
    }
    setvbuf(stream, nullptr, _IONBF, 0);
}

void openConsole(void) {
    AllocConsole();
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(output, &info)) {
        info.dwSize.Y = 500;
        SetConsoleScreenBufferSize(output, info.dwSize);
    }
    bindStream(STD_OUTPUT_HANDLE, 1, stdout);
    bindStream(STD_INPUT_HANDLE, 0, stdin);
    bindStream(STD_ERROR_HANDLE, 2, stderr);
}
