// Java runtime discovery: which javaw.exe starts the viewer.
#pragma once

// The place a javaw.exe was found; the first four are the described ones,
// the others are searched only when those give nothing.
enum JavawSource {
    JAVAW_NOT_FOUND,
    JAVAW_FORCED,          // FORCED_JAVAW_PATH
    JAVAW_PROGRAM_FILES,   // a private runtime under the Program Files folder
    JAVAW_REGISTRY,        // "Software\JavaSoft\Java Runtime Environment"
    JAVAW_DEFAULT,         // DEFAULT_JAVAW_PATH
    JAVAW_REGISTERED,      // SOFTWARE\JavaSoft\JRE or JDK\<version> (Windows)
    JAVAW_JAVA_HOME,       // the JAVA_HOME environment variable
    JAVAW_DEFAULT_JAVA,    // /usr/lib/jvm/default-java (Linux)
    JAVAW_ON_PATH          // a javaw.exe in a folder of PATH
};

// The path of javaw.exe: FORCED_JAVAW_PATH when configured (unchecked, even
// when empty), else the first private runtime under the Program Files
// folder, else the runtime the registry names when it is recent enough and
// its file exists, else DEFAULT_JAVAW_PATH; when none of these gives a path,
// the further sources of the platform (javasources.h). Null when nothing was
// found. Reports its progress on the standard streams. The text lives for
// the run; the caller never frees it.
const char* findJavaw(void);

// What the search left behind for the log header; empty texts when the
// search did not get that far.
const char* javawProgramFilesHit(void);
const char* javawRegistryCandidate(void);

// The source of the path findJavaw returned, and its name for reports
// ("FORCED_JAVAW_PATH", "JAVA_HOME", ...).
JavawSource javawSource(void);
const char* javawSourceName(JavawSource source);
