// What the launcher benchmarks share: an installation of the real launcher
// with the stand-in viewer, and the median of a series.
#pragma once

#include <filesystem>
#include <vector>

#include "test_support.h"

// Installs TarvoLauncher below `dir` with a configuration that starts the
// stand-in javaw; returns the launcher's path.
std::filesystem::path installBenchLauncher(const tarvo_test::TempDir& dir);

double median(std::vector<double> values);
