// Gateway discovery: the hardware (MAC) address of the IP gateway through
// which this machine reaches a destination. gateway.cpp holds the steps and
// their messages; the system calls behind them are in gateway_win32.cpp (ICMP
// and IP helper functions) and gateway_posix.cpp (ICMP socket, netlink).
#pragma once

#include <stdint.h>

// "00:1A:2B:3C:4D:5E" and its terminator.
#define GATEWAY_MAC_TEXT_CAPACITY 18

// The echo request: 32 bytes, "Data Buffer" and zero bytes; one second for
// its reply.
#define GATEWAY_ECHO_DATA_SIZE 32
#define GATEWAY_ECHO_TIMEOUT_MS 1000

// Forward types of a route: the destination is on a network of this machine,
// or is reached through a gateway.
#define GATEWAY_FORWARD_DIRECT 3
#define GATEWAY_FORWARD_INDIRECT 4

// The buffer the hardware address is read into, and the length expected.
#define GATEWAY_MAC_BUFFER_SIZE 8
#define GATEWAY_MAC_LENGTH 6

// Addresses are IPv4 in network byte order, as inet_addr gives them.
struct GatewayRoute {
    int forwardType;
    uint32_t nextHop;  // the gateway, or the address of this machine's own side
};

typedef intptr_t IcmpChannel;  // an ICMP handle on Windows, a socket elsewhere
extern const IcmpChannel kNoIcmpChannel;

// The system calls of the discovery, defined by the platform's file. The
// real ones are in place; tests put others in to produce answers that the
// system does not give on demand (and in place of SendARP, which Wine only
// stubs).
struct GatewayCalls {
    IcmpChannel (*openIcmp)();
    // One echo request carrying `data` to `destination`; true when its reply
    // came within `timeoutMs`.
    bool (*echo)(IcmpChannel channel, uint32_t destination, const void* data, uint16_t size,
                 uint32_t timeoutMs);
    void (*closeIcmp)(IcmpChannel channel);
    // 0 with the best route towards `destination` leaving from `source` (0:
    // any), or the system error code.
    uint32_t (*bestRoute)(uint32_t destination, uint32_t source, GatewayRoute* route);
    // 0 with the hardware address of the neighbour `address` in `mac`, whose
    // capacity `*length` gives on entry, and its length in `*length`; or the
    // system error code.
    uint32_t (*resolveHardwareAddress)(uint32_t address, uint32_t source, uint8_t* mac, uint32_t* length);
};
extern GatewayCalls gatewayCalls;

// Finds the MAC address of the gateway towards `destinationIP` (dotted IPv4
// text), leaving from `sourceIP` (null or invalid: any address). Prints
// "Start getGatewayMACAddress\n" and the step's message through jniPrintf to
// System.out; true with the address as "00:1A:2B:3C:4D:5E" in `mac`, false
// after exactly one message on any failure. Blocks for up to the echo's time
// plus the address resolution.
bool findGatewayMacAddress(const char* sourceIP, const char* destinationIP,
                           char (&mac)[GATEWAY_MAC_TEXT_CAPACITY]);
