// The viewer's command line.
#pragma once

// `argument` in double quotes, escaped by the rules the Microsoft C runtime
// splits a command line by (cmdline_split.h): a quote becomes \", backslashes
// before a quote or before the closing quote are doubled, all else is copied.
// An argument without quotes or trailing backslashes is thus only enclosed.
// A new text, or null when memory runs out.
char* quoteArgument(const char* argument);

// The javaw.exe path (unquoted), a blank, the Java argument text, then for
// each launcher argument after argv[0] a blank and the argument quoted by
// quoteArgument, so that the viewer receives it exactly as the launcher did.
// A new text, or null when memory runs out.
char* buildCommandLine(const char* javaw, const char* arguments, int argc, char** argv);
