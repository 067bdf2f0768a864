// Measures the disk-space guard of checkForFreeSpace(path, false) against the
// bare volume query underneath it, in one run, and prints the ratios. Its
// cost by design: one volume query and one reading of routing.conf.
//   diskguard_bench
#include <stdlib.h>

#include <string>

#include "bench_support.h"
#include "diskguard.h"
#include "routing.h"
#include "routing_home.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/statvfs.h>
#endif

using namespace tarvo_test;

int main() {
    RoutingHome home;
    home.writeConfig("DB_NAME = infra\nDB_HOST = localhost\nDB_PORT = 5433\nCONTAINER_DIR = " +
                     home.folder.str("container") + "\nDISK_FREE_SIZE_MB = 1\nDISK_SLOWER_SIZE_MB = 2\n");
    const std::string path = home.folder.str();
    const char* folder = path.c_str();

#ifdef _WIN32
    const auto bare = [&] {
        ULARGE_INTEGER available, total, totalFree;
        GetDiskFreeSpaceExA(folder, &available, &total, &totalFree);
    };
    const char* bareName = "checkFreeSpace vs GetDiskFreeSpaceExA";
#else
    const auto bare = [&] {
        struct statvfs volume;
        statvfs(folder, &volume);
    };
    const char* bareName = "checkFreeSpace vs statvfs";
#endif
    const auto guard = [&] { checkFreeSpace(folder, 0); };
    compare(bareName, 50, 200, bare, guard);
    // What the guard adds by its description: one reading of routing.conf.
    const auto bareWithReading = [&] {
        bare();
        freeRoutingConfig(readRoutingConfig());
    };
    compare("  ... vs the same plus one routing.conf reading", 50, 200, bareWithReading, guard);
    return 0;
}
