// Gateway discovery with the system's real calls, inside the client namespace
// of the network that gateway-network builds (on Windows under Wine, whose
// server runs in that namespace too). The JVM runs the same cases through
// the Java method (tests/java); here they run under the sanitizers and Wine.
#include <stdlib.h>

#include "gateway_test_support.h"

std::string networkSetting(const char* name) {
    const char* value = getenv(name);
    if (value == nullptr) ADD_FAILURE() << name << " not set: run this program through gateway-network";
    return value != nullptr ? value : "";
}

namespace {

class GatewayNetwork : public GatewayTest {};

TEST_F(GatewayNetwork, TheGatewaysAddressForAFarDestination) {
    useWorkingHardwareAddressLookup();
    const std::string farAway = networkSetting("GATEWAY_TEST_FAR");
    EXPECT_EQ(run(nullptr, farAway), networkSetting("GATEWAY_TEST_MAC"));
    EXPECT_EQ(output_, kGatewayStart);

    EXPECT_EQ(run("letters", farAway), networkSetting("GATEWAY_TEST_MAC"));
    EXPECT_EQ(output_, kGatewayStart + "No valid source IP. Fallback to IP 0.\n\n");
}

TEST_F(GatewayNetwork, AnOnLinkDestinationHasNoGateway) {
    EXPECT_EQ(run(nullptr, networkSetting("GATEWAY_TEST_ON_LINK")), "null");
    EXPECT_EQ(output_, kGatewayStart + "GetBestRoute wrong forward type: 3. Exit.\n\n");
}

// One drops the echo; for the other the gateway answers "unreachable", which
// is no answer from the destination.
TEST_F(GatewayNetwork, ARoutedDestinationThatDoesNotAnswerFailsAtTheEcho) {
    for (const char* name : {"GATEWAY_TEST_SILENT", "GATEWAY_TEST_UNREACHABLE"}) {
        EXPECT_EQ(run(nullptr, networkSetting(name)), "null") << name;
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
