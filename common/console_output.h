// The console of the utility layer: where its messages for the user's console
// go. Inside tarvoUtils that is the Java application's System.out and
// System.err (the library points the sink at jniPrintf when the virtual
// machine loads it); in other programs the process's own standard streams,
// or whatever sink the program sets, so a program can capture them.
#pragma once

#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

// Receives one formatted message for `stream` (stdout or stderr) and returns
// what the console's writer returns (the message's length, or -1).
typedef int (*ConsoleSink)(FILE* stream, const char* text);

// Sets the process-wide sink; null restores the process's standard streams,
// which get each message followed by a line end (the line end println adds).
// Set once at start-up, before other threads log.
void setConsoleSink(ConsoleSink sink);

// Formats a printf-style message and hands it to the sink.
int consolePrintf(FILE* stream, const char* format, ...)
#ifdef __MINGW_PRINTF_FORMAT
    __attribute__((format(__MINGW_PRINTF_FORMAT, 2, 3)));
#else
    __attribute__((format(printf, 2, 3)));
#endif

#ifdef __cplusplus
}
#endif
