// Child output capture: the viewer's standard output and standard error (and
// a started update manager's) copied into the log file.
#pragma once

// The most previous logs LOG_KEEP can ask for; a larger value keeps this many.
enum { kMaxLogKeep = 99 };

// The folder of the log beside the launcher ("log", relative to the
// launcher's folder), and the fallback folder ".tarvo" of the user's home
// (a new text, null when memory runs out).
extern const char kLogFolder[];
char* fallbackLogFolder(void);

// "<folder>/output.log" for 0, else the kept log "<folder>/output.<n>.log";
// a new text.
char* logFilePath(const char* folder, int n);

// Keeps the previous logs of `folder` before a new output.log is made there:
// output.<n>.log becomes output.<n+1>.log up to LOG_KEEP files, output.log
// becomes output.1.log. Nothing happens when LOG_KEEP is 0 or less, or when
// another launcher still writes output.log. A file that cannot be moved is
// reported on standard error and the start goes on.
void keepPreviousLogs(const char* folder);

// Creates the log file ("log\output.log", else "output.log" and then
// "output_<pid>.log" in the ".tarvo" folder of the user's home), keeping the
// previous logs of the first two (keepPreviousLogs), writes the
// header naming the javaw.exe in use and copies the capture pipe into it
// until every child has closed its end. Returns when the pipe has ended;
// when no log file can be had, or a write fails, the rest of the pipe is
// read and dropped so that no child blocks on a full pipe.
void pumpChildOutput(void);
