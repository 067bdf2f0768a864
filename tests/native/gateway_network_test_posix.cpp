// Gateway discovery on Linux in the test network: the kernel's own route
// choice (policy rules included) and the neighbour table.
#include "gateway_test_support.h"

void useWorkingHardwareAddressLookup() {}

namespace {

class GatewayNetworkOnLinux : public GatewayTest {};

// The echo went through the main route's gateway; the gateway of the source's
// own policy route (another MAC) is resolved on demand.
TEST_F(GatewayNetworkOnLinux, TheSourcesOwnPolicyRouteNamesItsGateway) {
    EXPECT_EQ(run(networkSetting("GATEWAY_TEST_POLICY_SOURCE").c_str(), networkSetting("GATEWAY_TEST_FAR")),
              networkSetting("GATEWAY_TEST_POLICY_MAC"));
    EXPECT_EQ(output_, kGatewayStart);
}

TEST_F(GatewayNetworkOnLinux, AGatewayThatDoesNotAnswerArpHasNoAddress) {
    EXPECT_EQ(run(networkSetting("GATEWAY_TEST_DEAD_GATEWAY_SOURCE").c_str(), networkSetting("GATEWAY_TEST_FAR")),
              "null");
    EXPECT_EQ(output_, kGatewayStart + "SendARP error: 113. Exit.\n\n");
}

TEST_F(GatewayNetworkOnLinux, ASourceThatIsNotThisMachinesHasNoRoute) {
    EXPECT_EQ(run(networkSetting("GATEWAY_TEST_FOREIGN_SOURCE").c_str(), networkSetting("GATEWAY_TEST_FAR")),
              "null");
    EXPECT_EQ(output_, kGatewayStart + "GetBestRoute error: 101. Exit.\n\n");
}

}  // namespace
