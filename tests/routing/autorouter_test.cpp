// The autorouter notification against a listener on real sockets: request
// lines, stateinfo files, host and port defaults and the failure messages.
#include <gtest/gtest.h>

#include <string.h>

#ifndef _WIN32
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "autorouter_listener.h"
#include "routing.h"
#include "socket_platform.h"
#include "loopback_listener.h"
#include "test_support.h"
#include "text_encoding.h"

using namespace tarvo_test;
namespace fs = std::filesystem;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

#ifdef _WIN32
const int kRefused = 10061;  // WSAECONNREFUSED
#else
const int kRefused = 111;  // ECONNREFUSED
#endif

std::string line(const std::string& query) { return "GET /?" + query + " HTTP/1.1\n"; }

std::string withSeparator(std::string path, char separator) {
    for (char& c : path) c = (c == '/' || c == '\\') ? separator : c;
    return path;
}

class AutorouterTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(listener.listening());
        fs::create_directories(root.path() / "c1" / "data");
    }
    void TearDown() override { autorouterConnect = connectIPv4; }

    // Signals `container` to the listener; returns what standard error got.
    std::string signal(const char* container, const char* fileName, ContainerState state) {
        CaptureStderr();
        signalAutorouterState("127.0.0.1", listener.port(), container, fileName, state);
        return GetCapturedStderr();
    }
    std::string stateFile(const fs::path& folder) {
        return fs::exists(folder / "stateinfo") ? readFile(folder / "stateinfo") : "<none>";
    }

    AutorouterListener listener;
    TempDir root;
};

TEST_F(AutorouterTest, RequestNamesPathFileAndStateInThisOrder) {
    const std::string data = root.str("c1") + "/data";
    struct Case {
        ContainerState state;
        const char* suffix;
    } const cases[] = {{-1, "&init"}, {0, ""}, {-2, ""}, {1, "&complete"}, {2, "&complete&canceled"}, {7, "&complete"}};
    for (const Case& c : cases) {
        for (const char* fileName : {(const char*)nullptr, "img 1.dcm"}) {
            SCOPED_TRACE(std::to_string(c.state) + (fileName ? " with a file" : ""));
            fs::remove(root.path() / "c1" / "stateinfo");
            const std::string named = fileName ? std::string("&filename=") + fileName : "";
            EXPECT_EQ(signal(data.c_str(), fileName, c.state),
                      "sendMessageAutorouter ok: " + std::string(fileName ? fileName : data) + "\n");
            EXPECT_EQ(listener.nextConnection(), line("doexec=" + data + named + c.suffix));
            EXPECT_EQ(stateFile(root.path() / "c1"), c.state > 0 ? "completed" + kTextLineEnd : "<none>");
        }
    }
}

TEST_F(AutorouterTest, StateinfoGoesAboveTheLastPathComponent) {
    fs::create_directories(root.path() / "c2");
    const std::string backslashed = withSeparator(root.str("c2") + "/data", '\\');
    for (const std::string& container : {root.str("c1") + "/data/", backslashed}) {
        SCOPED_TRACE(container);
        signal(container.c_str(), nullptr, 1);
        EXPECT_EQ(listener.nextConnection(), line("doexec=" + container + "&complete"));
    }
    EXPECT_EQ(stateFile(root.path() / "c1"), "completed" + kTextLineEnd);
    EXPECT_EQ(stateFile(root.path() / "c2"), "completed" + kTextLineEnd);

    const fs::path before = fs::current_path();
    fs::current_path(root.path() / "c1");
    signal("data", nullptr, 2);
    fs::current_path(before);
    EXPECT_EQ(stateFile(root.path() / "c1" / "data"), "completed" + kTextLineEnd)
        << "a path without a separator keeps its stateinfo inside";
    listener.nextConnection();

    const std::string missing = root.str("gone") + "/data";
    EXPECT_EQ(signal(missing.c_str(), nullptr, 1),
              "can't open statefile '" + withSeparator(root.str("gone"), '/') + "/stateinfo' for writing\n"
              "sendMessageAutorouter ok: " + missing + "\n");
    EXPECT_EQ(listener.nextConnection(), line("doexec=" + missing + "&complete")) << "the request goes out anyway";
}

TEST_F(AutorouterTest, WithoutContainerNothingIsSent) {
    const bool rootStateFile = fs::exists("/stateinfo");
    EXPECT_EQ(signal(nullptr, "file", 1), "No container given\n");
    EXPECT_EQ(signal("", "file", 1), "No container given\n") << "an empty path is no container either";
    EXPECT_EQ(listener.nextConnection(200), std::nullopt);
    EXPECT_EQ(fs::exists("/stateinfo"), rootStateFile) << "nothing written at the root";
}

TEST_F(AutorouterTest, PortsBeyondTheTcpRangeAreRefused) {
    CaptureStderr();
    sendMessageAutorouter(nullptr, 65536 + listener.port(), "doexec=x", "x");
    sendMessageAutorouter(nullptr, -1, "doexec=x", "x");
    EXPECT_EQ(GetCapturedStderr(), "sendMessageAutorouter: port " + std::to_string(65536 + listener.port()) +
                                       " out of range\nsendMessageAutorouter: port -1 out of range\n");
    EXPECT_EQ(listener.nextConnection(200), std::nullopt) << "the port does not wrap to the listener's";
}

TEST_F(AutorouterTest, NoHostAndPortZeroMeanTheLocalServicePort) {
    AutorouterListener service("127.0.0.1", 7375);
    if (!service.listening()) GTEST_SKIP() << "port 7375 is taken on this machine";
    CaptureStderr();
    signalAutorouterState(nullptr, 0, "C:\\c\\data", nullptr, 0);
    EXPECT_EQ(GetCapturedStderr(), "sendMessageAutorouter ok: C:\\c\\data\n");
    EXPECT_EQ(service.nextConnection(), line("doexec=C:\\c\\data"));
}

TEST_F(AutorouterTest, EmptyHostMeansThisMachinesName) {
    uint32_t address = 0;
    EXPECT_EQ(getHostaddrByWhatever("", &address), 1);
    AutorouterListener everywhere("0.0.0.0");
    CaptureStderr();
    sendMessageAutorouter("", everywhere.port(), "doexec=x", nullptr);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(everywhere.nextConnection(), line("doexec=x"));
}

TEST_F(AutorouterTest, AddressesResolveByNameOrDottedDecimal) {
    const unsigned char loopback[4] = {127, 0, 0, 1};
    for (const char* name : {"127.0.0.1", "localhost"}) {
        uint32_t address = 0;
        ASSERT_EQ(getHostaddrByWhatever(name, &address), 1) << name;
        EXPECT_EQ(memcmp(&address, loopback, 4), 0) << name;
    }
    uint32_t address;
    EXPECT_EQ(getHostaddrByWhatever("no-such-host.invalid", &address), 0);
    CaptureStderr();
    sendMessageAutorouter("no-such-host.invalid", listener.port(), "doexec=x", "x");
    EXPECT_EQ(GetCapturedStderr(), "sendMessageAutorouter: getHostaddrByWhatever (no-such-host.invalid) failed\n");
}

TEST_F(AutorouterTest, RefusedConnectionWritesOneMessageAndSendsNothing) {
    const int port = closedLoopbackPort();
    CaptureStderr();
    sendMessageAutorouter(nullptr, port, "doexec=x", "x");
    EXPECT_EQ(GetCapturedStderr(),
              "sendMessageAutorouter: connect to (127.0.0.1) failed: " + std::to_string(kRefused) + "\n");
}

TEST_F(AutorouterTest, RequestsBeyondTheServiceBufferAreNotSent) {
    const std::string longest = "doexec=" + std::string(2031 - 7, 'p');
    CaptureStderr();
    sendMessageAutorouter(nullptr, listener.port(), longest.c_str(), nullptr);
    sendMessageAutorouter(nullptr, listener.port(), (longest + "p").c_str(), nullptr);
    EXPECT_EQ(GetCapturedStderr(),
              "sendMessageAutorouter: request too long (2032 characters in 2032 bytes, at most 2031 bytes), not "
              "sent\n");
    EXPECT_EQ(listener.nextConnection(), line(longest));
    EXPECT_EQ(listener.nextConnection(200), std::nullopt);

    // Characters are counted as characters: "é" takes two bytes in UTF-8
    // (Linux), one in the ANSI code page (Windows), where this one fits.
    char* accents = utf8ToPlatform("\xc3\xa9\xc3\xa9");
    const std::string accented = "doexec=" + std::string(2031 - 7 - 2, 'p') + accents;
    free(accents);
    CaptureStderr();
    sendMessageAutorouter(nullptr, listener.port(), accented.c_str(), nullptr);
    const std::string errors = GetCapturedStderr();
    if (accented.size() > 2031) {
        EXPECT_EQ(errors, "sendMessageAutorouter: request too long (2031 characters in 2033 bytes, at most 2031 "
                          "bytes), not sent\n");
    } else {
        EXPECT_EQ(errors, "");
        EXPECT_EQ(listener.nextConnection(), line(accented));
    }
}

// A value that would change the request's structure: a line end anywhere
// (a second request line), "&" in a file name (another part, such as
// "&complete"). Nothing is sent and no stateinfo written; blanks pass.
TEST_F(AutorouterTest, ValuesThatWouldChangeTheRequestAreRefused) {
    const std::string container = root.str("c1") + "/data";
    EXPECT_EQ(signal(container.c_str(), "a&complete", 0), "signalAutorouter: file name holds '&', nothing sent\n");
    EXPECT_EQ(signal(container.c_str(), "a\nGET /?doexec=x", 1),
              "signalAutorouter: file name holds a line end, nothing sent\n");
    EXPECT_EQ(signal((container + "\r").c_str(), nullptr, 1),
              "signalAutorouter: container path holds a line end, nothing sent\n");
    EXPECT_EQ(listener.nextConnection(200), std::nullopt);
    EXPECT_EQ(stateFile(root.path() / "c1"), "<none>");

    const std::string blanks = root.str("c1") + "/my data";
    EXPECT_EQ(signal(blanks.c_str(), "a b.dcm", 0), "sendMessageAutorouter ok: a b.dcm\n");
    EXPECT_EQ(listener.nextConnection(), line("doexec=" + blanks + "&filename=a b.dcm"));
}

// Interrupted connects, which real sockets give only by chance.
int interruptionsLeft = 0;
int interruptedConnect(SocketHandle socket, uint32_t address, uint16_t port) {
    return interruptionsLeft-- > 0 ? kInterruptedCall : connectIPv4(socket, address, port);
}
int connectThenInterrupted(SocketHandle socket, uint32_t address, uint16_t port) {
    if (interruptionsLeft-- > 0) return connectIPv4(socket, address, port) == 0 ? kInterruptedCall : -1;
    return connectIPv4(socket, address, port);
}
int connectIntoFullBuffer(SocketHandle socket, uint32_t address, uint16_t port) {
    const int error = connectIPv4(socket, address, port);
    fillSendBuffer(socket);
    return error;
}

TEST_F(AutorouterTest, InterruptedConnectsAreTriedAgainUpToTwentyTimes) {
    const std::string interrupted =
        "sendMessageAutorouter: connect to (127.0.0.1) failed: " + std::to_string(kInterruptedCall) + "\n";
    autorouterConnect = interruptedConnect;
    interruptionsLeft = 20;
    CaptureStderr();
    sendMessageAutorouter(nullptr, listener.port(), "doexec=x", "x");
    std::string expected;
    for (int i = 0; i < 20; ++i) expected += interrupted;
    EXPECT_EQ(GetCapturedStderr(), expected + "sendMessageAutorouter ok: x\n");
    EXPECT_EQ(listener.nextConnection(), line("doexec=x"));

    interruptionsLeft = 21;
    CaptureStderr();
    sendMessageAutorouter(nullptr, listener.port(), "doexec=x", "x");
    EXPECT_EQ(GetCapturedStderr(), expected + interrupted + "sendMessageAutorouter: cancel connect while too many errors\n");
    EXPECT_EQ(listener.nextConnection(200), std::nullopt);

    autorouterConnect = connectThenInterrupted;
    interruptionsLeft = 1;
    CaptureStderr();
    sendMessageAutorouter(nullptr, listener.port(), "doexec=y", "y");
    EXPECT_EQ(GetCapturedStderr(), interrupted + "sendMessageAutorouter ok: y\n")
        << "a retry that finds the socket connected sends";
    EXPECT_EQ(listener.nextConnection(), line("doexec=y"));
}

TEST_F(AutorouterTest, GivesUpWhenTheSocketStaysUnwritableForFiveSeconds) {
    autorouterConnect = connectIntoFullBuffer;
    CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    sendMessageAutorouter(nullptr, listener.port(), "doexec=x", "x");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(GetCapturedStderr(), "sendMessageAutorouter: timeout in select \n");
    EXPECT_GE(waited, std::chrono::milliseconds(4900));
}

#ifndef _WIN32
// A listener whose backlog is full: the system drops further connection
// attempts without an answer.
class FullBacklog {
public:
    FullBacklog() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(listener_, (sockaddr*)&address, sizeof address) != 0 || listen(listener_, 0) != 0 ||
            getsockname(listener_, (sockaddr*)&address, &size) != 0) {
            return;
        }
        port_ = ntohs(address.sin_port);
        // Connects until one attempt stays unanswered.
        for (int i = 0; i < 16; ++i) {
            const int client = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            clients_.push_back(client);
            connect(client, (sockaddr*)&address, sizeof address);
            pollfd entry{client, POLLOUT, 0};
            if (poll(&entry, 1, 300) == 0) {
                full_ = true;
                return;
            }
        }
    }
    ~FullBacklog() {
        for (int client : clients_) close(client);
        close(listener_);
    }
    bool full() const { return full_; }
    int port() const { return port_; }

private:
    int listener_ = -1;
    int port_ = 0;
    bool full_ = false;
    std::vector<int> clients_;
};

TEST_F(AutorouterTest, ConnectGivesUpAfterFiveSeconds) {
    FullBacklog busy;
    ASSERT_TRUE(busy.full());
    CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    sendMessageAutorouter(nullptr, busy.port(), "doexec=x", "x");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(GetCapturedStderr(), "sendMessageAutorouter: connect to (127.0.0.1) failed: " +
                                       std::to_string(ETIMEDOUT) + "\n");
    EXPECT_GE(waited, std::chrono::milliseconds(4900));
    EXPECT_LT(waited, std::chrono::seconds(30)) << "not the system's own time-out of minutes";
}
#endif

}  // namespace
