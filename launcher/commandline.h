// The viewer's command line.
#pragma once

// The javaw.exe path (unquoted), a blank, the Java argument text, then for
// each launcher argument after argv[0] a blank and the argument in double
// quotes, nothing inside escaped. A new text, or null when memory runs out.
char* buildCommandLine(const char* javaw, const char* arguments, int argc, char** argv);
