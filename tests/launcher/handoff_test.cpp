// The hand-off inside one process: text helpers, the properties reader, and
// what goes out on each connection to a stand-in viewer listener.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "handoff.h"
#include "handoff_platform.h"
#include "loopback_listener.h"
#include "test_support.h"

using namespace tarvo_test;
using Connections = std::vector<std::string>;


namespace {

std::string trimmed(std::string text) { return trimSlashes(&text[0]); }

std::string decoded(const std::string& text) {
    std::string out(text.size() + 1, '\0');
    urlDecode(text.c_str(), &out[0]);
    return out.c_str();
}

std::string between(const char* text, const char* start, const char* end) {
    char* span = extractBetween(text, start, end);
    std::string copy = span;
    free(span);
    return copy;
}

TEST(HandOffText, TrimSlashes) {
    EXPECT_EQ(trimmed("//a/b//"), "a/b");
    EXPECT_EQ(trimmed("///"), "");
    EXPECT_EQ(trimmed(""), "");
    EXPECT_EQ(trimmed("a"), "a");
}

TEST(HandOffText, UrlDecode) {
    EXPECT_EQ(decoded("%2Fa+b%2f"), "/a b/");
    EXPECT_EQ(decoded("100%"), "100%");
    EXPECT_EQ(decoded("%4"), "%4");
    EXPECT_EQ(decoded("%G1%zz"), "%G1%zz");
    EXPECT_EQ(decoded("%41%62%7e"), "Ab~");
    EXPECT_EQ(decoded("%%41"), "%A");
    EXPECT_EQ(decoded("\xc3\xa4%C3%A4"), "\xc3\xa4\xc3\xa4");
    EXPECT_EQ(decoded("%\xc3\xa4"), "%\xc3\xa4") << "bytes of 128 and above are no digits";
}

TEST(HandOffText, ExtractBetweenAndStartsWith) {
    EXPECT_EQ(between("tarvo:x?query=a&b=c&urlParams=d", "query=", "&urlParams="), "a&b=c");
    EXPECT_EQ(between("tarvo:x?query=abc", "query=", "&urlParams="), "abc");
    EXPECT_EQ(between("&urlParams=d query=abc", "query=", "&urlParams="), "abc")
        << "only an end marker behind the start counts";
    EXPECT_EQ(between("no marker", "query=", "&end"), "no marker");
    EXPECT_EQ(between("query=", "query=", "&urlParams="), "");
    EXPECT_TRUE(startsWith("tarvo:", "tarvo:abc"));
    EXPECT_FALSE(startsWith("tarvo:", "TARVO:abc"));
    EXPECT_FALSE(startsWith("tarvo:", "tarvo"));
}

class RemotePortTest : public testing::Test {
protected:
    TempDir dir;
    int portOf(const std::string& contents) {
        writeFile(dir.path() / "client.properties", contents);
        return readRemotePort(dir.str("client.properties").c_str());
    }
};

TEST_F(RemotePortTest, ReadsTheFirstRemotePortLine) {
    EXPECT_EQ(portOf("remotePort=5123\n"), 5123);
    EXPECT_EQ(portOf("#comment\nother=1\nremotePort=  77\r\nremotePort=88\n"), 77);
    EXPECT_EQ(portOf("==remotePort=99"), 99) << "leading separators are skipped";
    EXPECT_EQ(portOf("remotePort=5123=6\n"), 5123);
    EXPECT_EQ(portOf("remotePort=12ab\n"), 12);
}

TEST_F(RemotePortTest, UnusableLinesGiveNoPort) {
    EXPECT_EQ(portOf("remotePort =5123\n"), -1) << "a blank belongs to the key";
    EXPECT_EQ(portOf("RemotePort=5123\n"), -1);
    EXPECT_EQ(portOf("remotePort=abc\n"), 0);
    EXPECT_EQ(portOf("remotePort=\nremotePort=5\n"), 0) << "the line end is the value";
    EXPECT_EQ(portOf("remotePort="), -1);
    EXPECT_EQ(portOf("remotePort\nremotePort=5\n"), 5) << "without a separator the line end is part of the key";
    EXPECT_EQ(portOf("remotePort"), -1) << "the first remotePort line ends the search";
    EXPECT_EQ(portOf(""), -1);
    EXPECT_EQ(portOf("remotePort=65536\n"), -1) << "a port that would wrap is refused";
    EXPECT_EQ(portOf("remotePort=99999999999999999999\n"), -1);
}

TEST_F(RemotePortTest, LongLinesAreReadInPieces) {
    // 127 characters a read: the second piece of this line is a line of its own.
    EXPECT_EQ(portOf(std::string(127, 'x') + "remotePort=4321\n"), 4321);
    EXPECT_EQ(portOf("a=" + std::string(300, 'x') + "\nremotePort=42\n"), 42);
}

TEST_F(RemotePortTest, MissingFileSaysSo) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(readRemotePort(dir.str("missing").c_str()), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Reading remotePort failed");
}

// handOff against a listener whose port is published in the profile's
// ".tarvo" folder.
class HandOffTest : public testing::Test {
protected:
    void SetUp() override {
#ifndef _WIN32
        setEnv("HOME", home_.str());
#endif
        char profile[4096];
        ASSERT_TRUE(userProfileFolder(profile, sizeof profile));
        tarvo_ = std::filesystem::path(profile) / ".tarvo";
        std::filesystem::create_directories(tarvo_);
        publish("remotePort=" + std::to_string(listener_.port()) + "\n");
    }
    void TearDown() override { std::filesystem::remove(tarvo_ / "client.properties"); }

    void publish(const std::string& properties) { writeFile(tarvo_ / "client.properties", properties); }

    // Runs handOff with the launcher's arguments; returns what it wrote on
    // standard error and fills `received` with the connections.
    std::string run(const std::vector<std::string>& args, size_t expected, Connections* received) {
        std::vector<std::string> words = {"TarvoLauncher.exe"};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& w : words) argv.push_back(&w[0]);
        argv.push_back(nullptr);
        testing::internal::CaptureStderr();
        handOff((int)words.size(), argv.data());
        const std::string errors = testing::internal::GetCapturedStderr();
        *received = listener_.connections(expected, std::chrono::milliseconds(expected > 0 ? 5000 : 200));
        return errors;
    }

    LoopbackListener listener_;
    TempDir home_;
    std::filesystem::path tarvo_;
};

TEST_F(HandOffTest, UrlQueryGoesAloneOnItsOwnConnection) {
    Connections got;
    EXPECT_EQ(run({"tarvo://open?query=%2Fstudy%2F&urlParams=x"}, 1, &got), "");
    EXPECT_EQ(got, Connections({"/study/"}));

    Connections more;
    EXPECT_EQ(run({"MORVINT:/?query=/a+b/&other=1"}, 2, &more), "");
    EXPECT_EQ(more, Connections({"/study/", "a b/&other=1"}));
}

TEST_F(HandOffTest, EmptyQueryFallsThroughToOptionsAndFront) {
    Connections got;
    EXPECT_EQ(run({"tarvo:?query=&urlParams=a"}, 3, &got), "Send to socket failed");
    EXPECT_EQ(got, Connections({"", "", "TOFRONT"})) << "query and options connections carry nothing";
}

TEST_F(HandOffTest, UrlWithoutLowerCaseQueryKeyOnlyBringsTheViewerForward) {
    Connections got;
    EXPECT_EQ(run({"tarvo:?QUERY=abc"}, 2, &got), "");
    EXPECT_EQ(got, Connections({"", "TOFRONT"}));
}

TEST_F(HandOffTest, OptionsShareOneConnection) {
    Connections got;
    EXPECT_EQ(run({"--t", "x", "--q", "y"}, 1, &got), "");
    EXPECT_EQ(got, Connections({"TICKET x|y|"})) << "a delivered query sends no TOFRONT";

    Connections second;
    run({"--q", "--t", "z"}, 2, &second);
    EXPECT_EQ(second.back(), "--t|TICKET z|");
}

TEST_F(HandOffTest, TicketsWithoutQueryAreFollowedByFront) {
    Connections got;
    EXPECT_EQ(run({"--ticket", "T1", "--tp", "P1", "--Ticket", "no", "--ticket"}, 2, &got), "");
    EXPECT_EQ(got, Connections({"TICKET T1|TICKETPARAM P1|", "TOFRONT"}));
}

TEST_F(HandOffTest, NoListenerMeansOneMessagePerConnection) {
    const int closedPort = closedLoopbackPort();
    publish("remotePort=" + std::to_string(closedPort) + "\n");
    Connections got;
    const std::string refused = "Can't connect to port " + std::to_string(closedPort) + "\n";
    EXPECT_EQ(run({"tarvo:?query=abc"}, 0, &got), refused + refused + refused);
    EXPECT_EQ(run({}, 0, &got), refused + refused);
}

TEST_F(HandOffTest, UnusablePortIsReported) {
    Connections got;
    publish("remotePort = 5\n");
    EXPECT_EQ(run({}, 0, &got), "Can't determine port no.\n");
    std::filesystem::remove(tarvo_ / "client.properties");
    EXPECT_EQ(run({}, 0, &got), "Reading remotePort failedCan't determine port no.\n");
    EXPECT_TRUE(got.empty());
}

}  // namespace
