// Class path and Java arguments, built from the configuration and the jar
// files the application directory holds at the moment of the start.
#include "classpath.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "config_launcher.h"
#include "launcher_platform.h"
#include "library_choice.h"
#include "messagebox.h"
#include "heap_text.h"

// An orderly end of a start that cannot be built: the box names what is
// missing, nothing is started.
static void failStart(const char* message) {
    showErrorBox(message);
    exit(-1);
}

// Appends one jar entry (with its separator after the first) to the class
// path; false when the text cannot grow.
static bool appendClassPathEntry(char** classPath, bool first, const char* folder, const char* name) {
    const char separator[2] = {kPathListSeparator, '\0'};
    char* entry = formatText("%s%c%s", folder, kPathSeparator, name);
    const bool appended =
        entry != nullptr && (first || appendText(classPath, separator)) && appendText(classPath, entry);
    free(entry);
    return appended;
}

// " -cp " and the jar files of `folder` in the order the file system lists
// them; sub-folders are skipped.
static char* buildClassPath(const char* folder) {
    char* pattern = formatText(kJarPattern, folder);
    if (pattern == nullptr) failStart("Out of memory, could not start application.");
    if (getDebug()) fprintf(stderr, "Search string: %s\n\n", pattern);

    ListedName entry;
    JarListing* listing = startJarListing(folder, pattern, &entry);
    char* classPath = strdup(" -cp ");
    if (listing == nullptr) {
        fprintf(stderr, "Error opening directory (%d)\n", (int)lastSystemError());
        char* message = formatText("%s not found", pattern);
        failStart(message != nullptr ? message : pattern);
    }
    bool first = true;
    bool grown = classPath != nullptr;
    for (bool more = true; grown && more; more = nextJarListed(listing, &entry)) {
        if (strcmp(entry.name, ".") == 0 || strcmp(entry.name, "..") == 0 || entry.isFolder) continue;
        if (getDebug()) fprintf(stderr, "Found %s\n", entry.name);
        grown = appendClassPathEntry(&classPath, first, folder, entry.name);
        first = false;
    }
    endJarListing(listing);
    free(pattern);
    if (!grown) {
        fprintf(stderr, "Fehler beim realloc");
        failStart("Out of memory while building the class path, could not start application.");
    }
    if (getDebug()) fprintf(stderr, "Classpath: %s\n\n", classPath);
    return classPath;
}

char* buildJavaArguments(void) {
    const char* folder = getApplicationDirectory();
    const char* mainClass = getMainClass();
    if (folder == nullptr) failStart("No APPLICATION_DIRECTORY configured, could not start application.");
    if (mainClass == nullptr) failStart("No MAIN_CLASS configured, could not start application.");
    const char* javawArguments = getJavawArguments();
    const char* nativeDirectory = viewerNativeDirectory();
    const char* appArguments = getAppArguments();

    if (getDebug()) fprintf(stderr, "Looking for jars in: %s\n\n", folder);
    char* classPath = buildClassPath(folder);
    if (getDebug()) {
        if (javawArguments != nullptr) fprintf(stderr, "Javaw Arguments: %s\n\n", javawArguments);
        if (nativeDirectory != nullptr) fprintf(stderr, "Native directory: %s\n\n", nativeDirectory);
        fprintf(stderr, "Main class: %s\n\n", mainClass);
        if (appArguments != nullptr) fprintf(stderr, "App Arguments: %s\n\n", appArguments);
    }

    // Nothing is quoted: values stand as configured.
    char* arguments = formatText("%s%s%s%s%s%s %s%s%s", javawArguments != nullptr ? javawArguments : "",
                                 javawArguments != nullptr ? " " : "",
                                 nativeDirectory != nullptr ? "-Djava.library.path=" : "",
                                 nativeDirectory != nullptr ? nativeDirectory : "",
                                 nativeDirectory != nullptr ? " " : "", classPath, mainClass,
                                 appArguments != nullptr ? " " : "", appArguments != nullptr ? appArguments : "");
    free(classPath);
    if (arguments == nullptr) failStart("Out of memory, could not start application.");
    return arguments;
}
