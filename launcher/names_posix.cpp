// The file names, patterns and separators of the Linux port: a runtime's
// launcher is bin/java, programs carry no ".exe", "/opt" stands for the
// Program Files folder, ":" separates the entries of PATH and of the class
// path; Debian's default runtime is one of the further Java sources.
#include "launcher_platform.h"

const char kPathListSeparator = ':';
const char* const kJavawLayouts[2] = {"%s/%s/jre/jre/bin/java", "%s/%s/jre/bin/java"};
const char kJavawBelowJavaHome[] = "/bin/java";
const char kJavawFileName[] = "java";
const JavawSource kFurtherJavawSources[3] = {JAVAW_JAVA_HOME, JAVAW_DEFAULT_JAVA, JAVAW_ON_PATH};
const char kNativeLibraryName[] = "libtarvoUtils.so";
const char kNativeFolder64[] = "x64";
const char kJarPattern[] = "%s/*.jar";
const char kAutoUpdaterName[] = "tarvo-autoupdater";
const char kUpdateManagerName[] = "updatemanager";
const char kUpdateManagerDefaultParent[] = "/opt/tarvoclient/";
