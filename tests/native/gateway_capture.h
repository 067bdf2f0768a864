// Runs gateway discovery with its standard output captured (jniPrintf writes
// there without Java): each message a line and the empty line of its "\n".
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "gateway.h"

const std::string kGatewayStart = "Start getGatewayMACAddress\n\n";

// The address found, or "null"; what was printed goes to `output`.
inline std::string discoverGateway(const char* source, const char* destination, std::string* output) {
    char mac[GATEWAY_MAC_TEXT_CAPACITY] = "untouched";
    testing::internal::CaptureStdout();
    const bool found = findGatewayMacAddress(source, destination, mac);
    *output = testing::internal::GetCapturedStdout();
    return found ? mac : "null";
}
