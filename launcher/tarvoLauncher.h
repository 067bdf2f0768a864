// tarvoLauncher: the whole life of one start of the launcher.
#pragma once

// Configuration, the single-instance decision, then either the hand-off to a
// running viewer or the host checks, the start of the viewer, the capture of
// its output and the wait for its end. Returns (exit code 0) or ends the
// process with exit code -1 where a start cannot be prepared.
void launcherMain(int argc, char** argv);
