// The instance key of a start, from the way the executable was called.
#include "instance.h"

#include <string.h>

#include "launcher_platform.h"

static const char kSharedKey[] = "TARVO/Novaskop";

const char* instanceKey(int argc, char** argv) {
    if (argc < 1) return kSharedKey;
    const char* separator = strrchr(argv[0], kPathSeparator);
    if (separator == nullptr) return argv[0];
    const char* name = separator + 1;
    if (strncmp(name, "standalone", strlen("standalone")) == 0) return kSharedKey;
    return name;
}
