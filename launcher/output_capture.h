// Child output capture: the viewer's standard output and standard error (and
// a started update manager's) copied into the log file.
#pragma once

// Creates the log file ("log\output.log", else "output.log" and then
// "output_<pid>.log" in the ".tarvo" folder of the user's home), writes the
// header naming the javaw.exe in use and copies the capture pipe into it
// until every child has closed its end. Returns when the pipe has ended;
// when no log file can be had, or a write fails, the rest of the pipe is
// read and dropped so that no child blocks on a full pipe.
void pumpChildOutput(void);
