// Where the Linux machine-id sources read from, as a table that tests may
// point at folders of their own (restoring the saved table afterwards).
#pragma once

#include <sys/statvfs.h>

struct HostIdPosixCalls {
    const char* sysfsRoot;   // "/sys": class/net/*/ and class/dmi/id/sys_vendor below it
    const char* volumePath;  // "/": the file system whose id is the volume serial
    int (*statvfs)(const char*, struct statvfs*);
};
extern HostIdPosixCalls hostIdPosixCalls;
