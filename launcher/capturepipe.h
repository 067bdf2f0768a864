// The capture pipe: the children's standard output and standard error lead
// into it, and the launcher copies it into the log file.
#pragma once

#include "launcher_platform.h"

// Creates the pipe: the write end inheritable, the read end the launcher's
// alone. Ends the process with exit code -1 when that fails.
void createCapturePipe(void);

SystemHandle captureReadEnd(void);
SystemHandle captureWriteEnd(void);
