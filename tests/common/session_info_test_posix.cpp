// The remote session on Linux, from the environment ssh, xrdp and X set.
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "utilglobal.h"

using namespace tarvo_test;

namespace {

struct Facts {
    bool local, rdp, citrix;
    std::string name, address;  // "<null>" for null
};

Facts session(const char* ssh, const char* xrdp, const char* display) {
    const std::pair<const char*, const char*> variables[] = {
        {"SSH_CONNECTION", ssh}, {"XRDP_SESSION", xrdp}, {"DISPLAY", display}};
    for (const auto& [name, value] : variables) value ? setEnv(name, value) : unsetEnv(name);
    SessionInfo info;
    getSessionInfo(&info);
    Facts facts{info.displayLocal == 1, info.rdpClient == 1, info.citrixApi != 0 || info.citrixClient != 0,
                info.clientName ? info.clientName : "<null>", info.clientAddress ? info.clientAddress : "<null>"};
    freeSessionInfo(&info);
    return facts;
}

void expectFacts(const Facts& facts, bool local, const std::string& name, const std::string& address) {
    EXPECT_EQ(facts.local, local);
    EXPECT_EQ(facts.rdp, !local);
    EXPECT_FALSE(facts.citrix);
    EXPECT_EQ(facts.name, name);
    EXPECT_EQ(facts.address, address);
}

TEST(SessionInfoPosix, AtTheLocalDisplay) {
    expectFacts(session(nullptr, nullptr, ":0"), true, "<null>", "<null>");
    expectFacts(session(nullptr, nullptr, nullptr), true, "<null>", "<null>");
    expectFacts(session("", "", "unix:0"), true, "<null>", "<null>");

    SessionInfo info;
    getSessionInfo(&info);
    EXPECT_STREQ(info.userName, getpwuid(geteuid())->pw_name);
    EXPECT_NE(info.userHome, nullptr);
    freeSessionInfo(&info);
    getSessionInfo(nullptr);
}

TEST(SessionInfoPosix, ThisMachinesOwnNamesAndLoopbackAreLocal) {
    char own[256] = {};
    ASSERT_EQ(gethostname(own, sizeof own - 1), 0);
    const std::string host = own;
    const std::string label = host.substr(0, host.find('.'));
    for (const std::string& display :
         std::vector<std::string>{host + ":0", label + ":0.0", "LOCALHOST:0", "[::1]:0", "127.0.0.1:0", "127.0.1.1:0"}) {
        expectFacts(session(nullptr, nullptr, display.c_str()), true, "<null>", "<null>");
    }
    // A name that merely begins like this machine's is another machine.
    expectFacts(session(nullptr, nullptr, (label + "x:0").c_str()), false, label + "x", "<null>");
    expectFacts(session(nullptr, nullptr, "[::2]:0"), false, "<null>", "<null>");
}

TEST(SessionInfoPosix, SshGivesTheClientsIpv4Address) {
    expectFacts(session("192.168.1.20 50022 10.0.0.5 22", nullptr, "localhost:10.0"), false, "<null>",
                "192.168.1.20");
    // Another family, or no address at all, gives none.
    expectFacts(session("fe80::1 50022 fe80::2 22", nullptr, nullptr), false, "<null>", "<null>");
    expectFacts(session("not-an-address", nullptr, nullptr), false, "<null>", "<null>");
}

TEST(SessionInfoPosix, XrdpAndRemoteDisplays) {
    expectFacts(session(nullptr, "1", ":10"), false, "<null>", "<null>");
    expectFacts(session(nullptr, nullptr, "thinclient7:0"), false, "thinclient7", "<null>");
    expectFacts(session(nullptr, nullptr, "192.168.1.21:0.0"), false, "<null>", "192.168.1.21");
    // A host part that is no host name is remote, but names nothing.
    expectFacts(session(nullptr, nullptr, "bad;host$(x):0"), false, "<null>", "<null>");
}

}  // namespace
