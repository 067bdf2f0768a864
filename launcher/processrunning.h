// processrunning: whether a program of a given name runs on this machine.
#pragma once

// True when a running process has the executable file name `name` (no
// folder), compared without regard to case.
bool isProcessRunning(const char* name);
