// The main of every C++ test program.
#include <gtest/gtest.h>

#include "test_support.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
#ifndef _WIN32
    // The registry store of the tests lies in a folder of their own; under
    // Wine the run's fresh prefix plays that part.
    tarvo_test::TempDir registry;
    tarvo_test::setEnv("TARVO_REGISTRY_HKCU", registry.str("HKCU"));
    tarvo_test::setEnv("TARVO_REGISTRY_HKLM", registry.str("HKLM"));
    return RUN_ALL_TESTS();
#else
    return RUN_ALL_TESTS();
#endif
}
