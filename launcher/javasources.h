// The further sources of a Java runtime, searched when the configuration,
// the private runtimes and the Java runtime's registry entry name none:
//   Windows: the Java 9+ registrations SOFTWARE\JavaSoft\JRE\<version> and
//            SOFTWARE\JavaSoft\JDK\<version> (64-bit and 32-bit registry
//            views, highest version first), JAVA_HOME, javaw.exe on PATH;
//   Linux:   JAVA_HOME/bin/java, /usr/lib/jvm/default-java/bin/java, java on
//            PATH.
#pragma once

#include "javadiscovery.h"

// The first runtime of the further sources; null when none has one. *source
// says which gave it. The text lives for the run.
const char* searchFurtherSources(JavawSource* source);

// What searchFurtherSources found, for the log header; empty before.
const char* javawFurtherHit(void);

// Orders two version texts by their numbers ("21.0.2" > "17" > "9" >
// "1.8.0_392"): negative, 0 or positive as a is lower, equal or higher.
// Missing parts count as 0; any run of non-digits separates parts.
int compareJavaVersions(const char* a, const char* b);
