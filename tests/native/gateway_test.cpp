// Gateway discovery's steps and messages, with its system calls replaced by
// answers the system does not give on demand: a refused ICMP handle, route
// and ARP errors, an address of another length. The real calls run in a
// network of namespaces (gateway_network_test_win32.cpp, tests/java).
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "gateway.h"

namespace {

// What the replaced calls answer and what they were asked.
struct Fake {
    bool icmpOpens = true;
    bool echoAnswered = true;
    uint32_t routeError = 0;
    GatewayRoute route{GATEWAY_FORWARD_INDIRECT, 0x0102000C};
    uint32_t arpError = 0;
    std::vector<uint8_t> mac{0, 26, 43, 60, 77, 94};

    int opened = 0, closed = 0, echoes = 0;
    std::string echoData;
    uint32_t echoDestination = 0, echoTimeout = 0;
    std::vector<uint32_t> routeArguments, arpArguments;
    std::vector<uint8_t> arpBufferOnEntry;
    uint32_t arpCapacity = 0;
};
Fake* fake = nullptr;

const GatewayCalls kFakeCalls = {
    [] { return fake->icmpOpens ? (++fake->opened, (IcmpChannel)7) : kNoIcmpChannel; },
    [](IcmpChannel channel, uint32_t destination, const void* data, uint16_t size, uint32_t timeoutMs) {
        EXPECT_EQ(channel, (IcmpChannel)7);
        ++fake->echoes;
        fake->echoData.assign((const char*)data, size);
        fake->echoDestination = destination;
        fake->echoTimeout = timeoutMs;
        return fake->echoAnswered;
    },
    [](IcmpChannel) { ++fake->closed; },
    [](uint32_t destination, uint32_t source, GatewayRoute* route) {
        fake->routeArguments = {destination, source};
        *route = fake->route;
        return fake->routeError;
    },
    [](uint32_t address, uint32_t source, uint8_t* mac, uint32_t* length) {
        fake->arpArguments = {address, source};
        fake->arpBufferOnEntry.assign(mac, mac + GATEWAY_MAC_BUFFER_SIZE);
        fake->arpCapacity = *length;
        if (fake->arpError == 0) {
            memcpy(mac, fake->mac.data(), fake->mac.size());
            *length = (uint32_t)fake->mac.size();
        }
        return fake->arpError;
    },
};

class GatewayDiscovery : public testing::Test {
protected:
    void SetUp() override {
        saved_ = gatewayCalls;
        gatewayCalls = kFakeCalls;
        fake = &fake_;
    }
    void TearDown() override {
        gatewayCalls = saved_;
        fake = nullptr;
        EXPECT_EQ(fake_.opened, fake_.closed) << "every ICMP handle is closed again";
    }

    // The messages (each a line of its own and the empty line of its "\n")
    // and the result, or "null".
    std::string run(const char* source, const char* destination) {
        char mac[GATEWAY_MAC_TEXT_CAPACITY] = "untouched";
        testing::internal::CaptureStdout();
        const bool found = findGatewayMacAddress(source, destination, mac);
        output_ = testing::internal::GetCapturedStdout();
        return found ? mac : "null";
    }

    Fake fake_;
    GatewayCalls saved_{};
    std::string output_;
};

const std::string kStart = "Start getGatewayMACAddress\n\n";

TEST_F(GatewayDiscovery, ReturnsTheGatewaysAddressAfterAnEchoRouteAndArp) {
    EXPECT_EQ(run("192.0.2.10", "198.51.100.20"), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(output_, kStart);
    EXPECT_EQ(fake_.echoDestination, 0x146433C6u) << "198.51.100.20 in network order";
    EXPECT_EQ(fake_.echoData, std::string("Data Buffer") + std::string(21, '\0'));
    EXPECT_EQ(fake_.echoTimeout, 1000u);
    EXPECT_EQ(fake_.routeArguments, (std::vector<uint32_t>{0x146433C6u, 0x0A0200C0u}));
    EXPECT_EQ(fake_.arpArguments, (std::vector<uint32_t>{0x0102000Cu, 0x0A0200C0u})) << "the route's next hop";
    EXPECT_EQ(fake_.arpBufferOnEntry, std::vector<uint8_t>(GATEWAY_MAC_BUFFER_SIZE, 0xFF));
    EXPECT_EQ(fake_.arpCapacity, 6u);

    fake_.mac = {0xFF, 0xa0, 0x0b, 0x10, 0x09, 0xe1};
    EXPECT_EQ(run(nullptr, "198.51.100.20"), "FF:A0:0B:10:09:E1");
    EXPECT_EQ(fake_.routeArguments[1], 0u) << "no source: any";
}

TEST_F(GatewayDiscovery, AnInvalidSourceOnlyWarnsAndFallsBackToAny) {
    for (const char* source : {"letters", "", "192.0.2.256", "255.255.255.255"}) {
        EXPECT_EQ(run(source, "198.51.100.20"), "00:1A:2B:3C:4D:5E") << source;
        EXPECT_EQ(output_, kStart + "No valid source IP. Fallback to IP 0.\n\n") << source;
        EXPECT_EQ(fake_.routeArguments[1], 0u);
        EXPECT_EQ(fake_.arpArguments[1], 0u);
    }
}

TEST_F(GatewayDiscovery, DestinationsThatAreNoIPv4AddressEndBeforeAnythingIsSent) {
    EXPECT_EQ(run("192.0.2.10", nullptr), "null");
    EXPECT_EQ(output_, kStart + "No destination IP given. Exit.\n\n");
    for (const char* destination : {"255.255.255.255", "::1", "2001:db8::1", "", "gateway", "198.51.100.256"}) {
        EXPECT_EQ(run("192.0.2.10", destination), "null") << destination;
        EXPECT_EQ(output_, kStart + "No valid destination IP. Exit.\n\n") << destination;
    }
    EXPECT_EQ(run("letters", "::1"), "null");
    EXPECT_EQ(output_, kStart + "No valid source IP. Fallback to IP 0.\n\nNo valid destination IP. Exit.\n\n");
    EXPECT_EQ(fake_.opened + fake_.echoes, 0);
}

TEST_F(GatewayDiscovery, EachFailingStepGivesNullAfterItsOneMessage) {
    fake_.icmpOpens = false;
    EXPECT_EQ(run(nullptr, "198.51.100.20"), "null");
    EXPECT_EQ(output_, kStart + "ICMP echo error. Exit.\n\n");
    EXPECT_EQ(fake_.echoes, 0);
    fake_.icmpOpens = true;

    fake_.echoAnswered = false;
    EXPECT_EQ(run(nullptr, "198.51.100.20"), "null");
    EXPECT_EQ(output_, kStart + "ICMP echo error. Exit.\n\n");
    EXPECT_TRUE(fake_.routeArguments.empty());
    fake_.echoAnswered = true;

    fake_.routeError = 1231;
    EXPECT_EQ(run(nullptr, "198.51.100.20"), "null");
    EXPECT_EQ(output_, kStart + "GetBestRoute error: 1231. Exit.\n\n");
    fake_.routeError = 0;

    fake_.route = {GATEWAY_FORWARD_DIRECT, 0x0A0200C0};
    EXPECT_EQ(run(nullptr, "192.0.2.1"), "null");
    EXPECT_EQ(output_, kStart + "GetBestRoute wrong forward type: 3. Exit.\n\n");
    EXPECT_TRUE(fake_.arpArguments.empty());
    fake_.route = {GATEWAY_FORWARD_INDIRECT, 0x0102000C};

    fake_.arpError = 50;  // what Wine's SendARP answers
    EXPECT_EQ(run(nullptr, "198.51.100.20"), "null");
    EXPECT_EQ(output_, kStart + "SendARP error: 50. Exit.\n\n");
    fake_.arpError = 0;

    for (size_t length : {0, 4, 8}) {
        fake_.mac.assign(length, 0xAB);
        EXPECT_EQ(run(nullptr, "198.51.100.20"), "null");
        EXPECT_EQ(output_, kStart + "Warning: SendArp completed successfully, but returned length=" +
                               std::to_string(length) + ". Exit.\n\n");
    }
}

}  // namespace
