// The Java argument text: JVM options, library path, the class path of every
// jar file of APPLICATION_DIRECTORY, the main class and its arguments.
#pragma once

// Returns the new argument text that follows the javaw.exe path on the
// viewer's command line; the caller owns it. Ends the process with exit code
// -1, after an error box, when the application directory yields no file or
// when MAIN_CLASS or APPLICATION_DIRECTORY is not configured.
char* buildJavaArguments(void);
