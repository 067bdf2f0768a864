// getfile: reads one line of a parameter file from an open stream.
#include "paramfile.h"

char* getfile(char* buffer, long limit, FILE* stream) {
    long stored = 0;
    int c = EOF;
    while (stored < limit) {
        c = getc(stream);
        if (c == EOF || c == '\n' || c == '\r') break;
        buffer[stored++] = (char)c;
    }
    buffer[stored] = '\0';
    if (c == EOF && stored == 0) return nullptr;
    return buffer;
}
