// The capture pipe, kept in process-wide storage.
#include "capturepipe.h"

#include <stdio.h>
#include <stdlib.h>

static SystemHandle readEnd;
static SystemHandle writeEnd;

void createCapturePipe(void) {
    if (!createInheritablePipe(&readEnd, &writeEnd)) {
        fprintf(stderr, "StdoutRd CreatePipe");
        exit(-1);
    }
    if (!makeNotInheritable(readEnd)) {
        fprintf(stderr, "Stdout SetHandleInformation");
        exit(-1);
    }
}

SystemHandle captureReadEnd(void) { return readEnd; }
SystemHandle captureWriteEnd(void) { return writeEnd; }
