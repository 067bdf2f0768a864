// check: cuts the comment off a parameter-file line, honouring "\#" and "\!".
#include <string.h>

#include "paramfile.h"

void check(char* line) {
    for (char* p = line; *p != '\0'; ++p) {
        if (*p == '\\' && (p[1] == '#' || p[1] == '!')) {
            // Drop the backslash; the escaped character stays as an ordinary one
            // and the scan goes on behind it.
            memmove(p, p + 1, strlen(p + 1) + 1);
        } else if (*p == '#' || *p == '!') {
            *p = '\0';
            return;
        }
    }
}
