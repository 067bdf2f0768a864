// Splitting a command line into arguments by the rules of the Microsoft C
// runtime, so that the Linux port hands its children the arguments a Windows
// program would see.
#pragma once

// Splits `commandLine` into its program name and arguments. The program name
// runs to the first blank or tab outside double quotes, the quotes removed.
// In the arguments, blanks and tabs outside double quotes separate; a double
// quote opens or closes a quoted part; 2n backslashes before a double quote
// give n backslashes and the quote keeps its meaning, 2n+1 give n
// backslashes and a literal quote; inside a quoted part two double quotes
// give one literal quote and end the quoted part; other backslashes are
// literal. Returns one malloc'ed block: a vector of *count texts followed by
// a null entry, released with a single free(); null when memory runs out.
char** splitCommandLine(const char* commandLine, int* count);

// The same for a text of arguments alone (no program name in front).
char** splitArguments(const char* arguments, int* count);
