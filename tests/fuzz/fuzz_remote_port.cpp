// Feeds arbitrary bytes to the properties reader as a "client.properties" file.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "handoff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = std::string(getenv("TMPDIR") != nullptr ? getenv("TMPDIR") : "/tmp") +
                                    "/fuzz_remote_port." + std::to_string(getpid());
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) abort();
    fwrite(data, 1, size, file);
    fclose(file);
    const int port = readRemotePort(path.c_str());
    if (port > 65535) abort();  // a port that would wrap never comes back
    return 0;
}
