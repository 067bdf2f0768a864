// Heap texts: composed with printf formats or grown piece by piece, so that
// no path, command line or statement is bound by a fixed buffer. Released
// with free().
#pragma once

// A new text formatted like printf, or null when memory runs out.
char* formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Appends `piece` to the heap text *text (null counts as empty). False when
// memory runs out; *text is then unchanged.
bool appendText(char** text, const char* piece);
