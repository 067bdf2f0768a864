// The hand-off end to end: a first launcher holds the instance key while its
// viewer runs; a second real launcher must hand its request to the listener
// published in the profile's "client.properties", connection by connection.
#include "handoff_platform.h"
#include "launcher_fixture.h"
#include "loopback_listener.h"

namespace launcher_test {
namespace {

using namespace tarvo_test;
using Connections = std::vector<std::string>;

class HandOffEndToEnd : public LauncherTest {
protected:
    void SetUp() override {
        LauncherTest::SetUp();
        char profile[4096];
        ASSERT_TRUE(userProfileFolder(profile, sizeof profile));
        properties_ = fs::path(profile) / ".tarvo" / "client.properties";
        fs::create_directories(properties_.parent_path());
        publish("remotePort=" + std::to_string(listener_.port()) + "\n");

        writeConfig(config());
        holdViewers();
        first_ = std::make_unique<StartedLauncher>(start());
        awaitJavawStarts(1);
        unsetEnv("TARVO_JAVAW_HOLD");
    }
    void TearDown() override {
        release();
        EXPECT_EQ(finish(*first_).exitCode, 0);
        EXPECT_EQ(javawStarts().size(), 1u) << "no second launcher started a viewer";
        fs::remove(properties_);
        LauncherTest::TearDown();
    }

    void publish(const std::string& text) { writeFile(properties_, text); }

    // Runs a second launcher; returns its standard error and the connections
    // the listener received from it.
    std::string handOff(const std::vector<std::string>& args, size_t connections, Connections* received) {
        const size_t before = listener_.connections(0, std::chrono::milliseconds(0)).size();
        const LauncherRun second = run(args);
        EXPECT_EQ(second.exitCode, 0);
        const Connections all = listener_.connections(before + connections, std::chrono::seconds(10));
        received->assign(all.begin() + (long)std::min(before, all.size()), all.end());
        return second.errors;
    }

    LoopbackListener listener_;
    fs::path properties_;
    std::unique_ptr<StartedLauncher> first_;
};

TEST_F(HandOffEndToEnd, UrlQueries) {
    Connections got;
    EXPECT_EQ(handOff({"tarvo://open/?query=%2Fstudy%2F1.2.3%2F&urlParams=user%3Dx"}, 1, &got), "");
    EXPECT_EQ(got, Connections({"/study/1.2.3/"})) << "encoded slashes survive, decoded";

    EXPECT_EQ(handOff({"MORVINT:?query=/a+b/&other=1&urlParams=z"}, 1, &got), "");
    EXPECT_EQ(got, Connections({"a b/&other=1"})) << "capital scheme, plain slashes, plus, other parameters";

    EXPECT_EQ(handOff({"tarvo:?query=100%+%4x%41"}, 1, &got), "");
    EXPECT_EQ(got, Connections({"100% %4xA"}));

    EXPECT_EQ(handOff({"tarvo:?query=&urlParams=a"}, 3, &got), "Send to socket failed");
    EXPECT_EQ(got, Connections({"", "", "TOFRONT"})) << "empty query, then the options, then TOFRONT";

    EXPECT_EQ(handOff({"tarvo:?QUERY=abc"}, 2, &got), "");
    EXPECT_EQ(got, Connections({"", "TOFRONT"})) << "only the key in small letters counts";
}

TEST_F(HandOffEndToEnd, Options) {
    Connections got;
    EXPECT_EQ(handOff({"--t", "x", "--q", "y"}, 1, &got), "");
    EXPECT_EQ(got, Connections({"TICKET x|y|"})) << "one connection, and no TOFRONT after a delivered query";

    EXPECT_EQ(handOff({"--q", "--t", "z"}, 1, &got), "");
    EXPECT_EQ(got, Connections({"--t|TICKET z|"}));

    EXPECT_EQ(handOff({"--tp", "P", "--Ticket", "no", "--ticket"}, 2, &got), "");
    EXPECT_EQ(got, Connections({"TICKETPARAM P|", "TOFRONT"})) << "wrong case and a last argument are no options";

    EXPECT_EQ(handOff({}, 2, &got), "");
    EXPECT_EQ(got, Connections({"", "TOFRONT"}));

    EXPECT_EQ(handOff({"--ticket", "a b \"c\""}, 2, &got), "");
    EXPECT_EQ(got, Connections({"TICKET a b \"c\"|", "TOFRONT"}));
}

TEST_F(HandOffEndToEnd, NoListener) {
    const int closed = closedLoopbackPort();
    publish("remotePort=" + std::to_string(closed) + "\n");
    const std::string refused = "Can't connect to port " + std::to_string(closed) + "\n";
    Connections got;
    EXPECT_EQ(handOff({"tarvo:?query=abc"}, 0, &got), refused + refused + refused);
    EXPECT_EQ(handOff({"--t", "x"}, 0, &got), refused + refused);
}

TEST_F(HandOffEndToEnd, PropertiesFile) {
    const std::string port = std::to_string(listener_.port());
    const std::string noPort = "Can't determine port no.\n";
    Connections got;

    publish("remotePort =" + port + "\n");
    EXPECT_EQ(handOff({}, 0, &got), noPort) << "a blank before the separator belongs to the key";
    publish("remotePort=abc\n");
    EXPECT_EQ(handOff({}, 0, &got), noPort) << "letters read as 0";
    publish("remotePort=1\nremotePort=" + port + "\n");
    EXPECT_EQ(handOff({}, 0, &got), "Can't connect to port 1\nCan't connect to port 1\n") << "the first line counts";

    publish("# viewer state\nremotePort=   " + port + "\r\n");
    EXPECT_EQ(handOff({}, 2, &got), "");
    EXPECT_EQ(got, Connections({"", "TOFRONT"})) << "blanks after the separator are harmless";

    publish("x=" + std::string(200, 'y') + "\nremotePort=" + port + "\n");
    EXPECT_EQ(handOff({}, 2, &got), "") << "a long line does not hide the next one";
    publish(std::string(127, 'y') + "remotePort=" + port + "\n");
    EXPECT_EQ(handOff({}, 2, &got), "") << "beyond 127 characters a line is read in pieces";

    fs::remove(properties_);
    EXPECT_EQ(handOff({}, 0, &got), "Reading remotePort failed" + noPort);
}

}  // namespace
}  // namespace launcher_test
