// Helpers of the gateway discovery tests: a fixture that runs the discovery
// with its standard output captured (jniPrintf writes there without Java:
// each message a line and the empty line of its "\n") and puts the real
// system calls back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "gateway.h"

const std::string kGatewayStart = "Start getGatewayMACAddress\n\n";

class GatewayTest : public testing::Test {
protected:
    void SetUp() override { saved_ = gatewayCalls; }
    void TearDown() override { gatewayCalls = saved_; }

    // The address found, or "null"; what was printed goes to output_.
    std::string run(const char* source, const char* destination) {
        char mac[GATEWAY_MAC_TEXT_CAPACITY] = "untouched";
        testing::internal::CaptureStdout();
        const bool found = findGatewayMacAddress(source, destination, mac);
        output_ = testing::internal::GetCapturedStdout();
        return found ? mac : "null";
    }

    std::string run(const char* source, const std::string& destination) {
        return run(source, destination.c_str());
    }

    GatewayCalls saved_{};
    std::string output_;
};

// The network's settings (gateway-network exports them); a failure when the
// program was started without it.
std::string networkSetting(const char* name);

// Puts a hardware address lookup in place that works on this platform: the
// real one on Linux; under Wine, whose SendARP is a stub, a lookup in the
// ARP table.
void useWorkingHardwareAddressLookup();
