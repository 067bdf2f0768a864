// The file names, patterns and separators of Windows.
#include "launcher_platform.h"

const char kPathListSeparator = ';';
const char* const kJavawLayouts[2] = {"%s\\%s\\jre\\jre\\bin\\javaw.exe", "%s\\%s\\jre\\bin\\javaw.exe"};
const char kJavawBelowJavaHome[] = "\\bin\\javaw.exe";
const char kJavawFileName[] = "javaw.exe";
const JavawSource kFurtherJavawSources[3] = {JAVAW_REGISTERED, JAVAW_JAVA_HOME, JAVAW_ON_PATH};
const char kNativeLibraryName[] = "tarvoUtils.dll";
const char kNativeFolder64[] = "x64";
const char kJarPattern[] = "%s\\*.jar";
const char kAutoUpdaterName[] = "tarvo-autoupdater.exe";
const char kUpdateManagerName[] = "updatemanager.exe";
const char kUpdateManagerDefaultParent[] = "C:/Program Files/tarvoclient/";
