// Console logging of tarvoUtils through the Java application's System.out and
// System.err, so that the library's messages land wherever the application's
// console output goes.
#pragma once

#include <stdio.h>

// Size of the message buffer on the stack, terminator included. A longer
// message is formatted into a heap block of its own size instead of being cut.
#define JNI_PRINTF_BUFFER_SIZE 4096

#ifdef __MINGW_PRINTF_FORMAT
#define JNI_PRINTF_CHECK __attribute__((format(__MINGW_PRINTF_FORMAT, 2, 3)))
#else
#define JNI_PRINTF_CHECK __attribute__((format(printf, 2, 3)))
#endif

// Formats a printf-style message and prints it with System.err.println for
// `stream` stderr, System.out.println for stdout. The text goes to println as
// it is, so a format ending in "\n" gives an empty line after the text.
// Returns the message's length, or -1 when the Java stream or its println
// cannot be reached (nothing is printed then).
//
// Any other stream gets the message through vfprintf (its result is returned);
// Java is not involved. When Java cannot be used on the calling thread (no
// virtual machine loaded the library, the thread cannot be attached, or an
// exception is pending there) the message goes to stdout or stderr itself,
// with the line end println would add.
//
// A thread the virtual machine does not know is attached for the call and
// detached again. No exception raised by the logging stays pending.
int jniPrintf(FILE* stream, const char* format, ...) JNI_PRINTF_CHECK;
