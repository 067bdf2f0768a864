// The verbose-mode console on Linux: the launcher's standard streams already
// lead wherever its caller pointed them (a terminal, a file), so verbose mode
// only makes them unbuffered, as on Windows.
#include <stdio.h>

#include "console.h"

void openConsole(void) {
    fflush(stdout);
    setvbuf(stdout, nullptr, _IONBF, 0);
    setvbuf(stdin, nullptr, _IONBF, 0);
    setvbuf(stderr, nullptr, _IONBF, 0);
}
