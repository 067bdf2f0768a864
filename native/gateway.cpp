// Gateway discovery: the destination must answer an echo, its best route must
// lead through a gateway, and the gateway's hardware address is resolved.
#include "gateway.h"

#include <stdio.h>
#include <string.h>

#include "printJNI.h"
#include "socket_platform.h"

namespace {

bool echoAnswered(uint32_t destination) {
    char data[GATEWAY_ECHO_DATA_SIZE] = "Data Buffer";
    const IcmpChannel channel = gatewayCalls.openIcmp();
    if (channel == kNoIcmpChannel) return false;
    const bool answered = gatewayCalls.echo(channel, destination, data, sizeof data, GATEWAY_ECHO_TIMEOUT_MS);
    gatewayCalls.closeIcmp(channel);
    return answered;
}

}  // namespace

bool findGatewayMacAddress(const char* sourceIP, const char* destinationIP,
                           char (&mac)[GATEWAY_MAC_TEXT_CAPACITY]) {
    prepareSockets();
    jniPrintf(stdout, "Start getGatewayMACAddress\n");
    if (destinationIP == nullptr) {
        jniPrintf(stdout, "No destination IP given. Exit.\n");
        return false;
    }
    uint32_t source = 0;
    if (sourceIP != nullptr && !parseDottedAddress(sourceIP, &source)) {
        jniPrintf(stdout, "No valid source IP. Fallback to IP 0.\n");
        source = 0;
    }
    uint32_t destination = 0;
    if (!parseDottedAddress(destinationIP, &destination)) {
        jniPrintf(stdout, "No valid destination IP. Exit.\n");
        return false;
    }
    if (!echoAnswered(destination)) {
        jniPrintf(stdout, "ICMP echo error. Exit.\n");
        return false;
    }
    GatewayRoute route{};
    const uint32_t routeError = gatewayCalls.bestRoute(destination, source, &route);
    if (routeError != 0) {
        jniPrintf(stdout, "GetBestRoute error: %u. Exit.\n", (unsigned)routeError);
        return false;
    }
    if (route.forwardType != GATEWAY_FORWARD_INDIRECT) {
        jniPrintf(stdout, "GetBestRoute wrong forward type: %d. Exit.\n", route.forwardType);
        return false;
    }
    uint8_t address[GATEWAY_MAC_BUFFER_SIZE];
    memset(address, 0xFF, sizeof address);
    uint32_t length = GATEWAY_MAC_LENGTH;
    const uint32_t arpError = gatewayCalls.resolveHardwareAddress(route.nextHop, source, address, &length);
    if (arpError != 0) {
        jniPrintf(stdout, "SendARP error: %u. Exit.\n", (unsigned)arpError);
        return false;
    }
    if (length != GATEWAY_MAC_LENGTH) {
        jniPrintf(stdout, "Warning: SendArp completed successfully, but returned length=%d. Exit.\n", (int)length);
        return false;
    }
    snprintf(mac, sizeof mac, "%.2X:%.2X:%.2X:%.2X:%.2X:%.2X", address[0], address[1], address[2], address[3],
             address[4], address[5]);
    return true;
}
