// del_space: trims the trailing blanks of a text in place.
#include <string.h>

#include "paramfile.h"

char* del_space(char* text) {
    size_t n = strlen(text);
    while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\t')) text[--n] = '\0';
    return text;
}
