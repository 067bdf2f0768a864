// Gateway discovery with its system calls replaced by answers the system does
// not give on demand: a refused ICMP handle, route and ARP errors, an address
// of another length; and what each call is asked. The other cases run with
// the real calls in a network of namespaces (gateway_network_test*.cpp,
// tests/java).
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "gateway_test_support.h"

namespace {

// What the replaced calls answer and what they were asked.
struct Fake {
    bool icmpOpens = true;
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
        return true;
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

class GatewayDiscovery : public GatewayTest {
protected:
    void SetUp() override {
        GatewayTest::SetUp();
        gatewayCalls = kFakeCalls;
        fake = &fake_;
    }
    void TearDown() override {
        GatewayTest::TearDown();
        fake = nullptr;
        EXPECT_EQ(fake_.opened, fake_.closed) << "every ICMP handle is closed again";
    }

    Fake fake_;
};

TEST_F(GatewayDiscovery, ReturnsTheGatewaysAddressAfterAnEchoRouteAndArp) {
    EXPECT_EQ(run("192.0.2.10", "198.51.100.20"), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(output_, kGatewayStart);
    EXPECT_EQ(fake_.echoDestination, 0x146433C6u) << "198.51.100.20 in network order";
    EXPECT_EQ(fake_.echoData, std::string("Data Buffer") + std::string(21, '\0'));
    EXPECT_EQ(fake_.echoTimeout, 1000u);
    EXPECT_EQ(fake_.routeArguments, (std::vector<uint32_t>{0x146433C6u, 0x0A0200C0u}));
    EXPECT_EQ(fake_.arpArguments, (std::vector<uint32_t>{0x0102000Cu, 0x0A0200C0u})) << "the route's next hop";
    EXPECT_EQ(fake_.arpBufferOnEntry, std::vector<uint8_t>(GATEWAY_MAC_BUFFER_SIZE, 0xFF));
    EXPECT_EQ(fake_.arpCapacity, 6u);

    fake_.mac = {0xFF, 0xa0, 0x0b, 0x10, 0x09, 0xe1};
    EXPECT_EQ(run("letters", "198.51.100.20"), "FF:A0:0B:10:09:E1");
    EXPECT_EQ(output_, kGatewayStart + "No valid source IP. Fallback to IP 0.\n\n");
    EXPECT_EQ(fake_.routeArguments[1], 0u) << "an invalid source: any";
    EXPECT_EQ(fake_.arpArguments[1], 0u);
}

TEST_F(GatewayDiscovery, EachFailingStepGivesNullAfterItsOneMessage) {
    fake_.icmpOpens = false;
    EXPECT_EQ(run(nullptr, "198.51.100.20"), "null");
    EXPECT_EQ(output_, kGatewayStart + "ICMP echo error. Exit.\n\n");
    EXPECT_EQ(fake_.echoes, 0);
    fake_.icmpOpens = true;

    fake_.routeError = 1231;
    EXPECT_EQ(run(nullptr, "198.51.100.20"), "null");
    EXPECT_EQ(output_, kGatewayStart + "GetBestRoute error: 1231. Exit.\n\n");
    fake_.routeError = 0;

    fake_.arpError = 50;  // what Wine's SendARP answers
    EXPECT_EQ(run(nullptr, "198.51.100.20"), "null");
    EXPECT_EQ(output_, kGatewayStart + "SendARP error: 50. Exit.\n\n");
    fake_.arpError = 0;

    for (size_t length : {0, 4, 8}) {
        fake_.mac.assign(length, 0xAB);
        EXPECT_EQ(run(nullptr, "198.51.100.20"), "null");
        EXPECT_EQ(output_, kGatewayStart + "Warning: SendArp completed successfully, but returned length=" +
                               std::to_string(length) + ". Exit.\n\n");
    }
}

}  // namespace
