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

static const char kFallbackMessage[] =
    "Could not create output file handle (Errorcode: %d), trying fallback to %s.\n";

// The fallbacks in the ".tarvo" folder of the user's home: "output.log",
// then the file named with the launcher's process id.
static bool openFallbackLog(long error, SystemHandle* log) {
    char* home = getUserHome();
    char* folder = formatText("%s%c.tarvo", home, kPathSeparator);
    char* path = folder != nullptr ? formatText("%s%coutput.log", folder, kPathSeparator) : nullptr;
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
    free(home);
    return opened;
}

static bool openLog(SystemHandle* log) {
    char* path = formatText("log%coutput.log", kPathSeparator);
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
