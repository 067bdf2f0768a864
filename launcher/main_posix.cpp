// The launcher's entry on Linux.
#include <signal.h>

#include "tarvoLauncher.h"

int main(int argc, char** argv) {
    // A reader that has gone away must not end the launcher in the middle of
    // a report, as a broken pipe does not end it on Windows.
    signal(SIGPIPE, SIG_IGN);
    launcherMain(argc, argv);
    return 0;
}
