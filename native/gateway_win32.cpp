// The system calls of gateway discovery: ICMP echo, best route and ARP of the
// IP helper library.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>

#include "gateway.h"

const IcmpChannel kNoIcmpChannel = (IcmpChannel)INVALID_HANDLE_VALUE;

namespace {

IcmpChannel openIcmp() { return (IcmpChannel)IcmpCreateFile(); }

// The reply buffer holds one reply, the request's data and the 8 bytes of an
// ICMP error message: the size Windows documents. A reply that reports an
// error (a router's "unreachable") is no answer from the destination.
bool echo(IcmpChannel channel, uint32_t destination, const void* data, uint16_t size, uint32_t timeoutMs) {
    char reply[sizeof(ICMP_ECHO_REPLY) + GATEWAY_ECHO_DATA_SIZE + 8];
    if (size > GATEWAY_ECHO_DATA_SIZE) return false;
    const DWORD replies = IcmpSendEcho((HANDLE)channel, destination, (LPVOID)data, size, nullptr, reply,
                                       sizeof(ICMP_ECHO_REPLY) + size + 8, timeoutMs);
    return replies != 0 && ((const ICMP_ECHO_REPLY*)reply)->Status == IP_SUCCESS;
}

void closeIcmp(IcmpChannel channel) { IcmpCloseHandle((HANDLE)channel); }

uint32_t bestRoute(uint32_t destination, uint32_t source, GatewayRoute* route) {
    MIB_IPFORWARDROW row{};
    const DWORD error = GetBestRoute(destination, source, &row);
    if (error != NO_ERROR) return error;
    route->forwardType = (int)row.dwForwardType;
    route->nextHop = row.dwForwardNextHop;
    return 0;
}

uint32_t sendArp(uint32_t address, uint32_t source, uint8_t* mac, uint32_t* length) {
    ULONG bytes = *length;
    const DWORD error = SendARP(address, source, mac, &bytes);
    *length = bytes;
    return error;
}

}  // namespace

GatewayCalls gatewayCalls = {openIcmp, echo, closeIcmp, bestRoute, sendArp};
