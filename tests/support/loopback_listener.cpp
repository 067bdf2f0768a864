// The test listener on 127.0.0.1, for both platforms.
#ifdef _WIN32
#include <winsock2.h>
#include <windows.h>
typedef int socklen_t;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#define closesocket close
#endif

#include <stdexcept>

#include "loopback_listener.h"

namespace tarvo_test {

LoopbackListener::LoopbackListener(int port) {
#ifdef _WIN32
    WSADATA data;
    WSAStartup(0x0202, &data);
#endif
    const auto s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons((uint16_t)port);
    socklen_t size = sizeof address;
    if (bind(s, (sockaddr*)&address, sizeof address) != 0 || listen(s, 16) != 0 ||
        getsockname(s, (sockaddr*)&address, &size) != 0) {
        closesocket(s);
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
    }
    socket_ = (intptr_t)s;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

LoopbackListener::~LoopbackListener() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    // Wake the accept call with a connection of our own.
    const auto wake = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons((uint16_t)port_);
    connect(wake, (sockaddr*)&address, sizeof address);
    closesocket(wake);
    thread_.join();
    closesocket(socket_);
#ifdef _WIN32
    WSACleanup();
#endif
}

void LoopbackListener::serve() {
    for (;;) {
        const auto peer = accept(socket_, nullptr, nullptr);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) {
                closesocket(peer);
                return;
            }
        }
        std::string bytes;
        char chunk[4096];
        for (int n; (n = (int)recv(peer, chunk, sizeof chunk, 0)) > 0;) bytes.append(chunk, (size_t)n);
        closesocket(peer);
        std::lock_guard<std::mutex> lock(mutex_);
        received_.push_back(bytes);
        changed_.notify_all();
    }
}

std::vector<std::string> LoopbackListener::connections(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
    return received_;
}

int closedLoopbackPort() {
    LoopbackListener gone;
    return gone.port();
}

}  // namespace tarvo_test
