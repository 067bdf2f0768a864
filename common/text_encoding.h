// Text encodings at the boundaries: the platform's own 8-bit encoding (the
// ANSI code page on Windows, UTF-8 on Linux), standard UTF-8 (the database
// session) and UTF-16 (Java strings).
//
// Every function returns a new malloc'ed, NUL-terminated result that the
// caller releases with free(), or null when the text cannot be represented in
// the target encoding or memory runs out. Nothing is ever cut or replaced
// silently on the way into the system: a character that the target cannot
// hold fails the conversion. On the way out to Java, bytes that are not valid
// in their encoding become U+FFFD, so a reader always gets a string.
#pragma once

#include <stddef.h>
#include <stdint.h>

// UTF-16 code units (Java's char) to standard UTF-8. Null for an unpaired
// surrogate or U+0000.
char* utf16ToUtf8(const uint16_t* units, size_t count);

// UTF-8 to UTF-16; *count receives the number of units (the terminator not
// counted). Invalid sequences become U+FFFD.
uint16_t* utf8ToUtf16(const char* text, size_t* count);

// Whether `text` is valid standard UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(const char* text);

// UTF-16 to the platform's encoding, the one file-system paths and the A
// calls of Windows use. Null for a character the ANSI code page cannot hold
// (never a best-fit or "?" stand-in), an unpaired surrogate or U+0000.
char* utf16ToPlatform(const uint16_t* units, size_t count);

// The platform's encoding to UTF-16; *count as for utf8ToUtf16.
uint16_t* platformToUtf16(const char* text, size_t* count);

// Whether `text` is valid in the platform's encoding (on Linux: UTF-8; on
// Windows: no incomplete or undefined byte sequence of the ANSI code page).
bool isValidPlatformText(const char* text);

// The platform's encoding to standard UTF-8, and back (for texts that move
// between files or paths and the database). Null as above, and for input
// that is not valid in its own encoding.
char* platformToUtf8(const char* text);
char* utf8ToPlatform(const char* text);

// The number of characters of a UTF-8 text (an invalid sequence counts as one).
size_t utf8CharacterCount(const char* text);

// The number of characters of a text in the platform's encoding; its bytes
// when it is not valid there.
size_t platformCharacterCount(const char* text);
