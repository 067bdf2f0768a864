// Linux: a remote session is known from the environment that ssh and xrdp
// set (SSH_CONNECTION, XRDP_SESSION) and from a DISPLAY on another host.
// There is no session library to load and no Citrix.
#include <arpa/inet.h>
#include <pwd.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include <string>

#include "session_info_platform.h"
#include "utilglobal.h"

int checkWtsVersion(void) { return 1; }

// The environment is always there to ask.
int loadWtsApi(void) { return checkWtsVersion(); }

int loadCitrixApi(void) { return 0; }

static bool isSet(const char* name) {
    const char* value = getenv(name);
    return value != nullptr && value[0] != '\0';
}

// True when `host` names this machine: its own host name (or that name's
// first label), "localhost", or a loopback address (127.0.0.0/8, ::1, also
// in brackets as "[::1]").
static bool isThisMachine(const std::string& host) {
    if (strcasecmp(host.c_str(), "localhost") == 0 || strcasecmp(host.c_str(), "localhost.localdomain") == 0) {
        return true;
    }
    std::string address = host;
    if (address.size() >= 2 && address.front() == '[' && address.back() == ']') {
        address = address.substr(1, address.size() - 2);
    }
    struct in_addr ipv4;
    if (inet_pton(AF_INET, address.c_str(), &ipv4) == 1) return (ntohl(ipv4.s_addr) >> 24) == 127;
    struct in6_addr ipv6;
    if (inet_pton(AF_INET6, address.c_str(), &ipv6) == 1) return IN6_IS_ADDR_LOOPBACK(&ipv6);
    char own[256];
    if (gethostname(own, sizeof own) != 0) return false;
    own[sizeof own - 1] = '\0';
    const size_t label = strcspn(own, ".");
    return strcasecmp(host.c_str(), own) == 0 ||
           (host.size() == label && strncasecmp(host.c_str(), own, label) == 0);
}

// The host part of DISPLAY ("host:0.0"), empty for a display of this machine
// (":0", "unix:0", "localhost:10.0" as ssh forwards X, this machine's own
// name, a loopback address such as "127.0.0.1:0" or "[::1]:0").
static std::string displayHost() {
    const char* display = getenv("DISPLAY");
    if (display == nullptr) return "";
    const char* colon = strrchr(display, ':');
    if (colon == nullptr) return "";
    std::string host(display, (size_t)(colon - display));
    if (host.empty() || host == "unix" || isThisMachine(host)) return "";
    return host;
}

// A host name of letters, digits, '-', '.' and '_' (no address of another
// family, no text that could be taken for something else), at most 255 bytes.
static bool isHostName(const std::string& name) {
    if (name.empty() || name.size() > 255) return false;
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '.' || c == '_';
        if (!plain) return false;
    }
    return true;
}

// The IPv4 address of `text` as a client address, or null.
static char* ipv4Text(const std::string& text) {
    struct in_addr address;
    if (inet_pton(AF_INET, text.c_str(), &address) != 1) return nullptr;
    return formatClientAddress((const unsigned char*)&address.s_addr);
}

static bool isIpv4(const std::string& text) {
    struct in_addr address;
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

static char* currentUserName() {
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
        return strdup(found->pw_name);
    }
    const char* user = getenv("USER");
    return user != nullptr ? strdup(user) : nullptr;
}

void getSessionInfo(SessionInfo* info) {
    if (info == nullptr) return;
    *info = SessionInfo{};
    info->userName = currentUserName();
    info->userHome = getUserHome();
    const std::string host = displayHost();
    info->displayLocal = !isSet("SSH_CONNECTION") && !isSet("XRDP_SESSION") && host.empty();
    if (!loadWtsApi()) return;
    info->rdpClient = info->displayLocal == 0;

    // "client-address client-port server-address server-port"
    const char* ssh = getenv("SSH_CONNECTION");
    if (ssh != nullptr) info->clientAddress = ipv4Text(std::string(ssh, strcspn(ssh, " ")));
    if (info->clientAddress == nullptr) info->clientAddress = ipv4Text(host);
    // Only a remote display names its client's host; ssh and xrdp give none.
    if (isHostName(host) && !isIpv4(host)) info->clientName = strdup(host.c_str());
}
