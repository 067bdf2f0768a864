// The system calls of gateway discovery on Linux: the echo through an ICMP
// datagram socket (a raw one where the datagram kind is refused), the best
// route and the neighbour table from the kernel over netlink.
#include <arpa/inet.h>
#include <errno.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <atomic>

#include "gateway.h"

const IcmpChannel kNoIcmpChannel = -1;

namespace {

// Every answer the kernel owes over netlink comes within this time.
const int kNetlinkTimeoutMs = 1000;
const size_t kNetlinkBufferSize = 32768;

int64_t monotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

// Waits until `fd` is readable or `deadline` (monotonicMs) has passed; a
// signal does not end the wait early. Returns 0, ETIMEDOUT or an errno value.
int waitReadable(int fd, int64_t deadline) {
    for (;;) {
        const int64_t left = deadline - monotonicMs();
        if (left <= 0) return ETIMEDOUT;
        pollfd entry{fd, POLLIN, 0};
        const int ready = poll(&entry, 1, (int)left);
        if (ready > 0) return 0;
        if (ready < 0 && errno != EINTR) return errno;
    }
}

uint16_t internetChecksum(const uint8_t* bytes, size_t count) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < count; i += 2) sum += (uint32_t)(bytes[i] << 8 | bytes[i + 1]);
    if (count % 2 != 0) sum += (uint32_t)bytes[count - 1] << 8;
    while (sum >> 16 != 0) sum = (sum & 0xFFFF) + (sum >> 16);
    return htons((uint16_t)~sum);
}

// A new namespace allows the datagram kind to no group (ping_group_range
// "1 0"), and then only a privileged process can send echoes, over a raw
// socket.
IcmpChannel openIcmp() {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0 && (errno == EACCES || errno == EPERM)) fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    return fd < 0 ? kNoIcmpChannel : fd;
}

void closeIcmp(IcmpChannel channel) { close((int)channel); }

// A raw socket sees every ICMP message of the host, a datagram socket only
// the replies to its own identifier (the kernel sets it): the reply must come
// from the destination and carry the request's sequence number (and, raw,
// its identifier).
bool echo(IcmpChannel channel, uint32_t destination, const void* data, uint16_t size, uint32_t timeoutMs) {
    static std::atomic<uint16_t> sequenceCounter{0};
    const int fd = (int)channel;
    int type = 0;
    socklen_t typeLength = sizeof type;
    if (size > GATEWAY_ECHO_DATA_SIZE || getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeLength) != 0) return false;
    const bool raw = type == SOCK_RAW;
    const uint16_t identifier = htons((uint16_t)getpid());
    const uint16_t sequence = htons(++sequenceCounter);

    uint8_t request[sizeof(icmphdr) + GATEWAY_ECHO_DATA_SIZE] = {};
    icmphdr header{};
    header.type = ICMP_ECHO;
    header.un.echo.id = identifier;
    header.un.echo.sequence = sequence;
    memcpy(request, &header, sizeof header);
    memcpy(request + sizeof header, data, size);
    const size_t requestSize = sizeof header + size;
    header.checksum = internetChecksum(request, requestSize);
    memcpy(request, &header, sizeof header);

    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = destination;
    if (sendto(fd, request, requestSize, 0, (const sockaddr*)&peer, sizeof peer) < 0) return false;

    const int64_t deadline = monotonicMs() + timeoutMs;
    uint8_t reply[1024];
    while (waitReadable(fd, deadline) == 0) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t received = recvfrom(fd, reply, sizeof reply, MSG_DONTWAIT, (sockaddr*)&from, &fromLength);
        if (received < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return false;
        }
        size_t offset = raw && received > 0 ? (size_t)(reply[0] & 0x0F) * 4 : 0;
        if ((size_t)received < offset + sizeof(icmphdr)) continue;
        icmphdr answer;
        memcpy(&answer, reply + offset, sizeof answer);
        if (from.sin_addr.s_addr == destination && answer.type == ICMP_ECHOREPLY &&
            answer.un.echo.sequence == sequence && (!raw || answer.un.echo.id == identifier)) {
            return true;
        }
    }
    return false;
}

void addAttribute(nlmsghdr* message, unsigned short type, const void* data, unsigned short size) {
    rtattr* attribute = (rtattr*)((char*)message + NLMSG_ALIGN(message->nlmsg_len));
    attribute->rta_type = type;
    attribute->rta_len = RTA_LENGTH(size);
    memcpy(RTA_DATA(attribute), data, size);
    message->nlmsg_len = NLMSG_ALIGN(message->nlmsg_len) + RTA_ALIGN(attribute->rta_len);
}

// One netlink exchange with the kernel: sends `request` and hands each answer
// to `take` until the last one. Returns 0 or an errno value (the kernel's
// refusal, or ETIMEDOUT).
template <typename Take>
int netlinkExchange(nlmsghdr* request, Take take) {
    const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) return errno;
    static std::atomic<uint32_t> sequenceCounter{0};
    request->nlmsg_seq = ++sequenceCounter;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    int error = 0;
    if (sendto(fd, request, request->nlmsg_len, 0, (const sockaddr*)&kernel, sizeof kernel) < 0) error = errno;
    char* buffer = error == 0 ? new char[kNetlinkBufferSize] : nullptr;
    const int64_t deadline = monotonicMs() + kNetlinkTimeoutMs;
    bool done = error != 0;
    while (!done) {
        error = waitReadable(fd, deadline);
        if (error != 0) break;
        ssize_t received = recv(fd, buffer, kNetlinkBufferSize, MSG_DONTWAIT);
        if (received < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            error = errno;
            break;
        }
        int left = (int)received;
        for (nlmsghdr* answer = (nlmsghdr*)buffer; !done && NLMSG_OK(answer, left); answer = NLMSG_NEXT(answer, left)) {
            if (answer->nlmsg_seq != request->nlmsg_seq) continue;
            if (answer->nlmsg_type == NLMSG_DONE) {
                done = true;
            } else if (answer->nlmsg_type == NLMSG_ERROR) {
                error = -((const nlmsgerr*)NLMSG_DATA(answer))->error;
                done = true;
            } else {
                take(answer);
                done = (answer->nlmsg_flags & NLM_F_MULTI) == 0;
            }
        }
    }
    delete[] buffer;
    close(fd);
    return error;
}

// The kernel's route towards `destination` from `source` (0: any): the route
// that would carry the packets, policy rules included.
uint32_t routeTo(uint32_t destination, uint32_t source, GatewayRoute* route, int* interfaceIndex) {
    struct {
        nlmsghdr header;
        rtmsg message;
        char attributes[2 * RTA_SPACE(sizeof(uint32_t))];
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof request.message);
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.message.rtm_family = AF_INET;
    request.message.rtm_dst_len = 32;
    addAttribute(&request.header, RTA_DST, &destination, sizeof destination);
    if (source != 0) {
        request.message.rtm_src_len = 32;
        addAttribute(&request.header, RTA_SRC, &source, sizeof source);
    }
    bool answered = false;
    uint32_t gateway = 0;
    uint32_t ownAddress = destination;
    unsigned char type = RTN_UNSPEC;
    const int error = netlinkExchange(&request.header, [&](const nlmsghdr* answer) {
        if (answer->nlmsg_type != RTM_NEWROUTE || answered) return;
        answered = true;
        const rtmsg* message = (const rtmsg*)NLMSG_DATA(answer);
        type = message->rtm_type;
        int length = (int)RTM_PAYLOAD(answer);
        for (const rtattr* attribute = RTM_RTA(message); RTA_OK(attribute, length);
             attribute = RTA_NEXT(attribute, length)) {
            if (RTA_PAYLOAD(attribute) < sizeof(uint32_t)) continue;
            if (attribute->rta_type == RTA_GATEWAY) memcpy(&gateway, RTA_DATA(attribute), sizeof gateway);
            if (attribute->rta_type == RTA_PREFSRC) memcpy(&ownAddress, RTA_DATA(attribute), sizeof ownAddress);
            if (attribute->rta_type == RTA_OIF) memcpy(interfaceIndex, RTA_DATA(attribute), sizeof *interfaceIndex);
        }
    });
    if (error != 0) return (uint32_t)error;
    if (!answered) return EHOSTUNREACH;
    const bool throughGateway = type == RTN_UNICAST && gateway != 0;
    route->forwardType = throughGateway ? GATEWAY_FORWARD_INDIRECT : GATEWAY_FORWARD_DIRECT;
    route->nextHop = throughGateway ? gateway : ownAddress;
    return 0;
}

uint32_t bestRoute(uint32_t destination, uint32_t source, GatewayRoute* route) {
    int interfaceIndex = 0;
    return routeTo(destination, source, route, &interfaceIndex);
}

// The hardware address of the neighbour `address` on interface
// `interfaceIndex` from the kernel's neighbour table: 0, ENOENT when there is
// no resolved entry, ENOBUFS when it is longer than `*length`, or an errno
// value.
uint32_t neighbourAddress(uint32_t address, int interfaceIndex, uint8_t* mac, uint32_t* length) {
    struct {
        nlmsghdr header;
        ndmsg message;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof request.message);
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.message.ndm_family = AF_INET;
    uint32_t result = ENOENT;
    const int error = netlinkExchange(&request.header, [&](const nlmsghdr* answer) {
        const ndmsg* entry = (const ndmsg*)NLMSG_DATA(answer);
        if (answer->nlmsg_type != RTM_NEWNEIGH || result != ENOENT || entry->ndm_ifindex != interfaceIndex ||
            (entry->ndm_state & (NUD_INCOMPLETE | NUD_FAILED)) != 0) {
            return;
        }
        const rtattr* hardware = nullptr;
        bool matches = false;
        int left = (int)(answer->nlmsg_len - NLMSG_LENGTH(sizeof *entry));
        for (const rtattr* attribute = (const rtattr*)((const char*)entry + NLMSG_ALIGN(sizeof *entry));
             RTA_OK(attribute, left); attribute = RTA_NEXT(attribute, left)) {
            if (attribute->rta_type == NDA_DST && RTA_PAYLOAD(attribute) == sizeof address)
                matches = memcmp(RTA_DATA(attribute), &address, sizeof address) == 0;
            if (attribute->rta_type == NDA_LLADDR) hardware = attribute;
        }
        if (!matches || hardware == nullptr) return;
        const uint32_t size = (uint32_t)RTA_PAYLOAD(hardware);
        if (size > *length) {
            result = ENOBUFS;
            return;
        }
        memcpy(mac, RTA_DATA(hardware), size);
        *length = size;
        result = 0;
    });
    return error != 0 ? (uint32_t)error : result;
}

// The gateway is normally in the neighbour table after the echo that went
// through it. When it is not (a source whose policy route names another
// gateway), one echo to it makes the kernel resolve it, within the echo's
// time.
uint32_t resolveHardwareAddress(uint32_t address, uint32_t source, uint8_t* mac, uint32_t* length) {
    GatewayRoute route{};
    int interfaceIndex = 0;
    const uint32_t routeError = routeTo(address, source, &route, &interfaceIndex);
    if (routeError != 0) return routeError;
    uint32_t error = neighbourAddress(address, interfaceIndex, mac, length);
    if (error != ENOENT) return error;
    const IcmpChannel channel = openIcmp();
    if (channel != kNoIcmpChannel) {
        const char probe[] = "Data Buffer";
        echo(channel, address, probe, sizeof probe, GATEWAY_ECHO_TIMEOUT_MS);
        closeIcmp(channel);
    }
    error = neighbourAddress(address, interfaceIndex, mac, length);
    return error == ENOENT ? EHOSTUNREACH : error;
}

}  // namespace

GatewayCalls gatewayCalls = {openIcmp, echo, closeIcmp, bestRoute, resolveHardwareAddress};
