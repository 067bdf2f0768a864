// Which native directory fits the Java runtime: a 64-bit runtime cannot load
// the 32-bit tarvoUtils.dll of NATIVE_DIRECTORY, so it gets the subfolder
// "x64" when the installation has one.
#pragma once

// Reads the machine type of the runtime at `javaw` and chooses the viewer's
// native directory: NATIVE_DIRECTORY\x64 for a 64-bit x86 runtime when that
// folder exists, else NATIVE_DIRECTORY. When the runtime's type is known and
// no library present fits it, keeps a note for the log (and prints it). A
// second call replaces what the first chose.
void chooseNativeDirectory(const char* javaw);

// The directory for -Djava.library.path= and PATH: the choice made, or
// NATIVE_DIRECTORY before one (null when not configured).
const char* viewerNativeDirectory(void);

// The note on a runtime that fits none of the libraries present, ending in
// two line ends; null when there is none.
const char* nativeLibraryMismatch(void);
