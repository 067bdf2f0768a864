// What the benchmarks share: an installation of the real launcher with the
// stand-in viewer, the median of a series, and a measured call beside the
// bare one.
#pragma once

#include <filesystem>
#include <functional>
#include <vector>

#include "test_support.h"

// Installs TarvoLauncher below `dir` with a configuration that starts the
// stand-in javaw; returns the launcher's path.
std::filesystem::path installBenchLauncher(const tarvo_test::TempDir& dir);

double median(std::vector<double> values);

// Runs `bare` and `measured` in alternating batches of `perBatch` calls and
// prints the time of a call on each side and their ratio. Each side's time
// is that of its fastest batch: load from elsewhere on the machine only ever
// adds time, so the fastest batch is the one it disturbed least.
void compare(const char* title, int batches, int perBatch, const std::function<void()>& bare,
             const std::function<void()>& measured);
