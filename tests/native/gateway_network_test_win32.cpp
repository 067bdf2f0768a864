// Gateway discovery with the real ICMP and IP helper calls under Wine, inside
// the client namespace of the network that gateway-network builds (Wine's
// server runs there too). Wine's SendARP is a stub that answers 50
// (ERROR_NOT_SUPPORTED); the cases that reach the gateway's address replace
// it with a lookup in GetIpNetTable, Wine's real ARP table.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "gateway.h"
#include "gateway_capture.h"

namespace {

std::string setting(const char* name) {
    const char* value = getenv(name);
    if (value == nullptr) ADD_FAILURE() << name << " not set: run this program through gateway-network";
    return value != nullptr ? value : "";
}

// SendARP as far as a table lookup goes: the entry of `address` that the echo
// left in the ARP table.
uint32_t arpTableLookup(uint32_t address, uint32_t, uint8_t* mac, uint32_t* length) {
    ULONG size = 0;
    GetIpNetTable(nullptr, &size, FALSE);
    std::vector<char> buffer(size + sizeof(MIB_IPNETTABLE));
    size = (ULONG)buffer.size();
    MIB_IPNETTABLE* table = (MIB_IPNETTABLE*)buffer.data();
    const DWORD error = GetIpNetTable(table, &size, FALSE);
    if (error != NO_ERROR) return error;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_IPNETROW& row = table->table[i];
        if (row.dwAddr != address || row.dwPhysAddrLen > *length) continue;
        memcpy(mac, row.bPhysAddr, row.dwPhysAddrLen);
        *length = row.dwPhysAddrLen;
        return NO_ERROR;
    }
    return ERROR_BAD_NET_NAME;
}

class GatewayNetwork : public testing::Test {
protected:
    void SetUp() override { saved_ = gatewayCalls; }
    void TearDown() override { gatewayCalls = saved_; }

    std::string run(const char* source, const char* destination) {
        return discoverGateway(source, destination, &output_);
    }

    GatewayCalls saved_{};
    std::string output_;
};

TEST_F(GatewayNetwork, TheRealCallsReachTheStubbedSendArpForAFarDestination) {
    EXPECT_EQ(run(nullptr, setting("GATEWAY_TEST_FAR").c_str()), "null");
    EXPECT_EQ(output_, kGatewayStart + "SendARP error: 50. Exit.\n\n");
}

TEST_F(GatewayNetwork, TheGatewaysAddressComesFromTheArpTableAfterTheEcho) {
    gatewayCalls.resolveHardwareAddress = arpTableLookup;
    const std::string farDestination = setting("GATEWAY_TEST_FAR");
    EXPECT_EQ(run(nullptr, farDestination.c_str()), setting("GATEWAY_TEST_MAC"));
    EXPECT_EQ(output_, kGatewayStart);

    EXPECT_EQ(run("letters", farDestination.c_str()), setting("GATEWAY_TEST_MAC"));
    EXPECT_EQ(output_, kGatewayStart + "No valid source IP. Fallback to IP 0.\n\n");
}

TEST_F(GatewayNetwork, AnOnLinkDestinationHasNoGateway) {
    EXPECT_EQ(run(nullptr, setting("GATEWAY_TEST_ON_LINK").c_str()), "null");
    EXPECT_EQ(output_, kGatewayStart + "GetBestRoute wrong forward type: 3. Exit.\n\n");
}

// One drops the echo; for the other the gateway answers "unreachable", which
// is no answer from the destination.
TEST_F(GatewayNetwork, ARoutedDestinationThatDoesNotAnswerFailsAtTheEcho) {
    for (const char* name : {"GATEWAY_TEST_SILENT", "GATEWAY_TEST_UNREACHABLE"}) {
        EXPECT_EQ(run(nullptr, setting(name).c_str()), "null") << name;
        EXPECT_EQ(output_, kGatewayStart + "ICMP echo error. Exit.\n\n") << name;
    }
}

TEST_F(GatewayNetwork, NoIPv4DestinationEndsBeforeTheEcho) {
    EXPECT_EQ(run(nullptr, nullptr), "null");
    EXPECT_EQ(output_, kGatewayStart + "No destination IP given. Exit.\n\n");
    for (const char* destination : {"255.255.255.255", "2001:db8::1"}) {
        EXPECT_EQ(run(nullptr, destination), "null");
        EXPECT_EQ(output_, kGatewayStart + "No valid destination IP. Exit.\n\n");
    }
}

}  // namespace
