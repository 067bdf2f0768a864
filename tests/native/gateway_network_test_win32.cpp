// Gateway discovery under Wine in the test network: Wine's SendARP is a stub
// that answers 50 (ERROR_NOT_SUPPORTED), so the cases that reach the
// gateway's address look it up in GetIpNetTable, Wine's real ARP table,
// where the echo through the gateway left it.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <string.h>

#include <vector>

#include "gateway_test_support.h"

namespace {

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

class GatewayNetworkUnderWine : public GatewayTest {};

TEST_F(GatewayNetworkUnderWine, TheRealCallsReachTheStubbedSendArpForAFarDestination) {
    EXPECT_EQ(run(nullptr, networkSetting("GATEWAY_TEST_FAR")), "null");
    EXPECT_EQ(output_, kGatewayStart + "SendARP error: 50. Exit.\n\n");
}

}  // namespace

void useWorkingHardwareAddressLookup() { gatewayCalls.resolveHardwareAddress = arpTableLookup; }
