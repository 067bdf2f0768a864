// What host identification costs: unique ids per second on one thread and on
// eight, each against the bare reading, formatting and copy of an id (the
// same clock and process id, without lock and counter); and one machine-id
// list against the bare system queries it wraps. All measured in the same
// run; the report gives the ratios.
//
//   hostid_bench [SECONDS]   (per measurement, default 1)
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <iphlpapi.h>
#else
#include <ifaddrs.h>
#include <sys/statvfs.h>
#include <unistd.h>
#endif

#include "hostid.h"

using Clock = std::chrono::steady_clock;

// Calls `operation` on `threads` threads for `seconds`; operations per second in all.
template <typename Operation>
static double ratePerSecond(int threads, double seconds, Operation operation) {
    std::atomic<bool> stop{false};
    std::atomic<long long> done{0};
    std::vector<std::thread> workers;
    const Clock::time_point begin = Clock::now();
    for (int t = 0; t < threads; t++) {
        workers.emplace_back([&] {
            long long count = 0;
            while (!stop.load(std::memory_order_relaxed)) {
                operation();
                count++;
            }
            done += count;
        });
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stop = true;
    for (std::thread& worker : workers) worker.join();
    return done / std::chrono::duration<double>(Clock::now() - begin).count();
}

// An id read, formatted and copied as getUniqueId does, without its lock and counter.
static void bareUniqueId() {
    char buffer[100];
#ifdef _WIN32
    const int pid = (int)GetCurrentProcessId();
#else
    const int pid = (int)getpid();
#endif
    snprintf(buffer, sizeof buffer, "0x%08lx.%i.%li.%i", 197ul, pid, (long)time(NULL), 1);
    free(strdup(buffer));
}

// The system queries behind a machine-id list, without formatting or filters.
static void bareSystemQueries() {
#ifdef _WIN32
    static std::vector<unsigned char> buffer(64 * 1024);
    ULONG size = (ULONG)buffer.size();
    GetAdaptersInfo((PIP_ADAPTER_INFO)buffer.data(), &size);
    DWORD serial;
    GetVolumeInformationA("C:\\", NULL, 0, &serial, NULL, NULL, NULL, 0);
#else
    struct ifaddrs* addresses;
    if (getifaddrs(&addresses) == 0) freeifaddrs(addresses);
    struct statvfs volume;
    statvfs("/", &volume);
#endif
}

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? atof(argv[1]) : 1.0;
    free(getUniqueId());  // works out the host id once

    const double bareOne = ratePerSecond(1, seconds, bareUniqueId);
    const double one = ratePerSecond(1, seconds, [] { free(getUniqueId()); });
    const double bareEight = ratePerSecond(8, seconds, bareUniqueId);
    const double eight = ratePerSecond(8, seconds, [] { free(getUniqueId()); });
    printf("getUniqueId, 1 thread:   %12.0f ids/s   bare id %12.0f/s   cost vs bare %.2f\n", one, bareOne, bareOne / one);
    printf("getUniqueId, 8 threads:  %12.0f ids/s   bare id %12.0f/s   cost vs bare %.2f\n", eight, bareEight,
           bareEight / eight);
    printf("8 threads against 1:     %.2f\n", eight / one);

    const double bareLists = ratePerSecond(1, seconds, bareSystemQueries);
    const double lists = ratePerSecond(1, seconds, [] { freeMachineIdList(getMachineIdList()); });
    printf("getMachineIdList:        %12.1f us/call   bare queries %10.1f us/call   cost vs bare %.2f\n", 1e6 / lists,
           1e6 / bareLists, bareLists / lists);
    return 0;
}
