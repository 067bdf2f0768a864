// Output capture: log file with its fallbacks, header line, copy loop.
#include "output_capture.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "capturepipe.h"
#include "config_launcher.h"
#include "javadiscovery.h"
#include "javasources.h"
#include "library_choice.h"
#include "launcher_platform.h"
#include "heap_text.h"
#include "utilglobal.h"

enum { kCopyBufferSize = 4096 };

const char kLogFolder[] = "log";

char* fallbackLogFolder(void) {
    char* home = getUserHome();
    char* folder = formatText("%s%c.tarvo", home, kPathSeparator);
    free(home);
    return folder;
}

char* logFilePath(const char* folder, int n) {
    return n == 0 ? formatText("%s%coutput.log", folder, kPathSeparator)
                  : formatText("%s%coutput.%d.log", folder, kPathSeparator, n);
}

// Moves the log `n` - 1 of `folder` to `n`, replacing what is there; a log
// that does not exist is no failure.
static void moveLog(const char* folder, int n) {
    char* from = logFilePath(folder, n - 1);
    char* to = logFilePath(folder, n);
    if (from != nullptr && to != nullptr && pathExists(from) && !moveLogFile(from, to)) {
        fprintf(stderr, "Could not keep the previous log %s as %s (Errorcode: %d).\n", from, to,
                (int)lastSystemError());
    }
    free(to);
    free(from);
}

void keepPreviousLogs(const char* folder) {
    const int keep = getLogKeep() < kMaxLogKeep ? (int)getLogKeep() : kMaxLogKeep;
    if (keep <= 0) return;
    char* current = logFilePath(folder, 0);
    // A log another launcher writes stays where it is: that launcher falls
    // back, and the kept logs are not shifted for nothing. So does a link an
    // administrator put in its place.
    const bool movable = current != nullptr && isPlainFile(current) && !logFileHeld(current);
    free(current);
    if (!movable) return;
    // Oldest first, so each move makes room for the next; a move that fails
    // costs an older log, never the newest.
    for (int n = keep; n >= 1; --n) moveLog(folder, n);
}

static const char kFallbackMessage[] =
    "Could not create output file handle (Errorcode: %d), trying fallback to %s.\n";

// The fallbacks in the ".tarvo" folder of the user's home: "output.log",
// then the file named with the launcher's process id.
static bool openFallbackLog(long error, SystemHandle* log) {
    char* folder = fallbackLogFolder();
    char* path = folder != nullptr ? logFilePath(folder, 0) : nullptr;
    char* numbered =
        folder != nullptr ? formatText("%s%coutput_%i.log", folder, kPathSeparator, currentProcessId()) : nullptr;
    bool opened = false;
    if (path != nullptr && numbered != nullptr) {
        fprintf(stderr, kFallbackMessage, (int)error, path);
        clearSystemError();
        const int created = createFolder(folder);
        if (created != 0 && created != kAlreadyExists) {
            fprintf(stderr, "Creation of %s failed (Errorcode: %d).\n", folder, created);
            error = created;
        } else {
            keepPreviousLogs(folder);
            opened = createLogFile(path, log);
            error = lastSystemError();
        }
        if (!opened) {
            fprintf(stderr, kFallbackMessage, (int)error, numbered);
            opened = createLogFile(numbered, log);
            if (!opened) fprintf(stderr, "Could not create output file handle (Errorcode: %d)!\n", (int)lastSystemError());
        }
    }
    free(numbered);
    free(path);
    free(folder);
    return opened;
}

static bool openLog(SystemHandle* log) {
    char* path = logFilePath(kLogFolder, 0);
    if (isFolder(kLogFolder)) keepPreviousLogs(kLogFolder);
    const bool opened = path != nullptr && createLogFile(path, log);
    const long error = lastSystemError();
    free(path);
    return opened || openFallbackLog(error, log);
}

static bool isSet(const char* text) { return text != nullptr && text[0] != '\0'; }

// The header names the source of javaw.exe: the first of the forced path,
// the Program Files hit, the registry candidate and the default path. A hit
// of the further sources is only there when all of those gave nothing usable;
// it is named before a registry candidate that was rejected.
static char* headerLine(void) {
    const char* forced = getForcedJavawPath();
    if (isSet(forced)) return formatText("Using forced path for 'javaw.exe': %s\n\n", forced);
    const char* sources[] = {javawProgramFilesHit(), javawFurtherHit(), javawRegistryCandidate(),
                             getDefaultJavawPath()};
    for (const char* found : sources) {
        if (isSet(found)) return formatText("'javaw.exe' found in '%s'.\n\n", found);
    }
    return strdup("No 'javaw.exe' found, could not start application.");
}

// Reads the pipe to its end and drops what comes.
static void drainPipe(void) {
    static char discarded[kCopyBufferSize];
    size_t count;
    while (readSystemHandle(captureReadEnd(), discarded, sizeof discarded, &count)) {
    }
}

void pumpChildOutput(void) {
    SystemHandle log;
    const bool logged = openLog(&log);
    // Closing the launcher's write end lets the pipe end with its children.
    if (!closeSystemHandle(captureWriteEnd())) {
        fprintf(stderr, "Could not close child stdout pipe");
        return;
    }
    if (!logged) {
        drainPipe();
        return;
    }
    char* header = headerLine();
    if (header != nullptr) writeSystemHandle(log, header, strlen(header));
    free(header);
    const char* mismatch = nativeLibraryMismatch();
    if (mismatch != nullptr) writeSystemHandle(log, mismatch, strlen(mismatch));

    static char buffer[kCopyBufferSize];
    size_t count;
    while (readSystemHandle(captureReadEnd(), buffer, sizeof buffer, &count)) {
        if (!writeSystemHandle(log, buffer, count)) {
            fprintf(stderr, "Could not write to file (Errorcode: %d).\n", (int)lastSystemError());
            fprintf(stderr, "Exiting READPIPE");
            drainPipe();
            return;
        }
    }
    fprintf(stderr, "Could not read from stream\n");
    fprintf(stderr, "Exiting READPIPE");
}
