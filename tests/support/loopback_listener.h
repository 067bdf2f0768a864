// A TCP listener on 127.0.0.1 that records the bytes of each connection until
// the peer ends the stream: the stand-in for the viewer's hand-off listener
// and for the autorouter service.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarvo_test {

class LoopbackListener {
public:
    // Listens on `port`, or on a free port when it is 0.
    explicit LoopbackListener(int port = 0);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int port() const { return port_; }

    // The connections ended so far, in the order they were accepted, once
    // `count` of them have ended or `timeout` has passed.
    std::vector<std::string> connections(size_t count,
                                         std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    void serve();

    intptr_t socket_;
    int port_ = 0;
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> received_;
    std::thread thread_;
};

// A port on 127.0.0.1 where nobody listens: one a listener had a moment ago.
int closedLoopbackPort();

}  // namespace tarvo_test
