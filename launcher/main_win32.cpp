// The launcher's entry on Windows: a GUI program without a window of its own.
#include <windows.h>
#include <stdlib.h>

#include "tarvoLauncher.h"

// The runtime splits the command line without expanding wildcards: an
// argument such as "*.dcm" reaches the viewer as it was given.
int _dowildcard = 0;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    launcherMain(__argc, __argv);
    return 0;
}
