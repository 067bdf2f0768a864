// The file names, patterns and separators of Windows.
#include "launcher_platform.h"

const char kPathListSeparator = ';';
const char* const kJavawLayouts[2] = {"%s\\%s\\jre\\jre\\bin\\javaw.exe", "%s\\%s\\jre\\bin\\javaw.exe"};
const char kJavawBelowJavaHome[] = "\\bin\\javaw.exe";
const char kJarPattern[] = "%s\\*.jar";
const char kAutoUpdaterName[] = "tarvo-autoupdater.exe";
const char kUpdateManagerName[] = "updatemanager.exe";
const char kUpdateManagerDefaultParent[] = "C:/Program Files/tarvoclient/";
