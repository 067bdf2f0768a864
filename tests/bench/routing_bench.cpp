// Measures the routing session and the autorouter notification against the
// bare calls underneath them, in one run, and prints the ratios.
//   routing_bench STATE   STATE: the folder of a running pg-cluster
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "autorouter_listener.h"
#include "bench_support.h"
#include "routing.h"
#include "routing_home.h"
#include "socket_platform.h"

using namespace tarvo_test;

namespace {

void benchSession(const std::string& port) {
    RoutingHome home;
    home.writeConfig("DB_NAME = infra\nDB_HOST = 127.0.0.1\nDB_PORT = " + port + "\n");
    RoutingConfig* config = readRoutingConfig();
    char* conninfo = buildConnectionString(config);
    const auto routing = [&] { PQfinish(connectRoutingDb(config)); };
    compare("connectRoutingDb + PQfinish vs PQconnectdb", 60, 5, [&] { PQfinish(PQconnectdb(conninfo)); }, routing);
    // What the session adds by its description: one statement that sets the
    // client encoding.
    const auto bareWithEncoding = [&] {
        PGconn* connection = PQconnectdb(conninfo);
        PQsetClientEncoding(connection, "UTF8");
        PQfinish(connection);
    };
    compare("  ... vs PQconnectdb + PQsetClientEncoding", 60, 5, bareWithEncoding, routing);
    free(conninfo);
    freeRoutingConfig(config);
}

void benchNotification() {
    AutorouterListener listener;
    std::atomic<bool> done{false};
    std::thread service([&] {
        while (!done) listener.dropConnection(100);
    });
    const std::string container = "C:/tarvo/container/17.5.0.4711.1700000000.1/data";
    const std::string line = "GET /?doexec=" + container + "&init HTTP/1.1\n";
    uint32_t loopback;
    getHostaddrByWhatever("127.0.0.1", &loopback);
    const auto bare = [&] {
        const SocketHandle socket = openStreamSocket();
        connectIPv4(socket, loopback, (uint16_t)listener.port());
        sendSome(socket, line.data(), line.size());
        closeSocket(socket);
    };
    const auto routing = [&] {
        signalAutorouterState(nullptr, listener.port(), container.c_str(), nullptr, CONTAINER_INIT);
    };
    compare("signalAutorouterState vs connect-send-close", 200, 10, bare, routing);
    // What the notification adds by its description: SO_REUSEADDR, the
    // writable wait and the "ok" message.
    const auto bareWithSteps = [&] {
        const SocketHandle socket = openStreamSocket();
        enableAddressReuse(socket);
        connectIPv4(socket, loopback, (uint16_t)listener.port());
        waitWritable(socket, 5000);
        sendSome(socket, line.data(), line.size());
        closeSocket(socket);
        fprintf(stderr, "sendMessageAutorouter ok: %s\n", container.c_str());
    };
    compare("  ... vs the same with its three further calls", 200, 10, bareWithSteps, routing);
    done = true;
    service.join();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stdout, "usage: routing_bench STATE (the folder of a running pg-cluster)\n");
        return 2;
    }
    benchSession(readFile(std::filesystem::path(argv[1]) / "port"));
    benchNotification();
    return 0;
}
