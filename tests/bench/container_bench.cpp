// Measures container creation and the source lookup against the same
// statements, folders and files done with bare libpq, mkdir and stdio (the
// floor), in one run, on one thread and on eight.
//   container_bench STATE   STATE: the folder of a running pg-cluster with
//                           the databases of tests/fixtures/routing-db
// Run it in a network namespace of its own (tests/fixtures/private-network):
// containers are announced on the autorouter's fixed port 7375, where the
// benchmark listens.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "autorouter_listener.h"
#include "routing.h"
#include "routing_db_home.h"
#include "socket_platform.h"

using namespace tarvo_test;
using Clock = std::chrono::steady_clock;

namespace {

std::string conninfo;
std::string floorRoot;
std::atomic<int> floorCounter{0};

PGresult* exec(PGconn* connection, const std::string& statement) { return PQexec(connection, statement.c_str()); }

void writeRows(const std::string& path, PGresult* rows) {
    FILE* file = fopen(path.c_str(), "w");
    for (int row = 0; row < PQntuples(rows); ++row) {
        for (int column = 0; column < PQnfields(rows); ++column) fprintf(file, "%s\t", PQgetvalue(rows, row, column));
        fputs("\n", file);
    }
    fclose(file);
}

void notifyInit(const std::string& data) {
    uint32_t loopback;
    getHostaddrByWhatever("127.0.0.1", &loopback);
    const std::string line = "GET /?doexec=" + data + "&init HTTP/1.1\n";
    const SocketHandle socket = openStreamSocket();
    connectIPv4(socket, loopback, 7375);
    sendSome(socket, line.data(), line.size());
    closeSocket(socket);
}

std::string lookupStatement() {
    char statement[SOURCE_LOOKUP_SQL_CAPACITY];
    buildSourceLookupSql(statement, "BENCH", "D", "H", 7);
    return statement;
}

// What a container of source 300 takes, written plainly: the lookup, the
// rules with the staging and archive statements of its staging rule, the
// working times, the folders, the files, the log row and the request.
void floorContainer() {
    PGconn* connection = PQconnectdb(conninfo.c_str());
    PQsetClientEncoding(connection, "UTF8");
    PGresult* source = exec(connection, lookupStatement());
    const std::string name = std::string(PQgetvalue(source, 0, 0)) + "." + PQgetvalue(source, 0, 1) + "." +
                             PQgetvalue(source, 0, 2) + ".floor." + std::to_string(++floorCounter);
    PQclear(source);
    const std::string directory = floorRoot + "/" + name;
    mkdir(directory.c_str(), 0777);
    PGresult* rules = exec(connection, "SELECT id, action, options, maxcount, sleeptime, break, failedrule, okrule, "
                                       "imp_database, timeout, maxparallel, copyfailed2failed, max_images, "
                                       "max_duration FROM act_rules WHERE source=300;");
    writeRows(directory + "/rules.db", rules);
    PQclear(rules);
    PGresult* staging = exec(connection, "SELECT db_id, db_name, db_host, imported, modality, method, rate, id, "
                                         "parentid, archivepath, qualitylayers, progressionorder, sequence FROM "
                                         "act_staging WHERE db_id=30 and days=0 order by sequence, imported, "
                                         "modality;");
    writeRows(directory + "/3001_import.db", staging);
    PQclear(staging);
    PGresult* archives = exec(connection, "select a.id, a.archivetype, a.alias from archives a, rules r, "
                                          "relarchivesactions rel where (r.action = rel.action_id) and "
                                          "(rel.archives_id = a.id) and (r.id=3001)");
    writeRows(directory + "/3001_archiveinfo", archives);
    PQclear(archives);
    PGresult* times = exec(connection, "SELECT starttime, endtime FROM source_times WHERE source_id=300;");
    writeRows(directory + "/workingtimes.db", times);
    PQclear(times);
    FILE* file = fopen((directory + "/sourcedata.db").c_str(), "w");
    fprintf(file, "%s\n%s\n%s\n", "D", "BENCH", "H");
    fclose(file);
    mkdir((directory + "/data").c_str(), 0777);
    PQclear(exec(connection, "INSERT INTO log (container, logsource, message) values ('" + name +
                                 "','LIBROUTING','newcontainer\tBENCH\tD\tH');"));
    PQfinish(connection);
    notifyInit(directory + "/data");
}

void routingContainer() { free(getContainerForSender("BENCH", "D", "H", nullptr, 42, 1)); }

void floorLookup() {
    PGconn* connection = PQconnectdb(conninfo.c_str());
    PQclear(exec(connection, lookupStatement()));
    PQfinish(connection);
}

void routingLookup() { free(getContainerForSender("BENCH", "D", "H", nullptr, 0, 0)); }

// Seconds for `threads` threads doing `perThread` calls each.
double secondsOf(int threads, int perThread, const std::function<void()>& work) {
    const auto start = Clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (int i = 0; i < perThread; ++i) work();
        });
    }
    for (std::thread& worker : workers) worker.join();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Alternating rounds of floor and routing; each side's best round counts, as
// load from elsewhere on the machine only ever adds time.
void compare(const char* title, int threads, int perThread, int rounds, const std::function<void()>& floor,
             const std::function<void()>& routing) {
    double floorBest = 1e9, routingBest = 1e9;
    for (int round = 0; round < rounds; ++round) {
        floorBest = std::min(floorBest, secondsOf(threads, perThread, floor));
        routingBest = std::min(routingBest, secondsOf(threads, perThread, routing));
    }
    const double calls = (double)threads * perThread;
    printf("%-34s %d thread(s)  floor %8.1f/s  routing %8.1f/s  time ratio %.3f\n", title, threads,
           calls / floorBest, calls / routingBest, routingBest / floorBest);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stdout, "usage: container_bench STATE (the folder of a running pg-cluster)\n");
        return 2;
    }
    setenv("TARVO_TEST_POSTGRES", argv[1], 1);
    AutorouterListener listener("127.0.0.1", 7375);
    if (!listener.listening()) {
        fprintf(stdout, "container_bench: port 7375 is taken; run it in tests/fixtures/private-network\n");
        return 1;
    }
    std::atomic<bool> done{false};
    std::thread service([&] {
        while (!done) listener.dropConnection(100);
    });
    {
        RoutingDbHome home;
        home.configure("routing");
        conninfo = home.conninfo("routing");
        TempDir floorFolder;
        floorRoot = floorFolder.str();
        compare("container (source 300)", 1, 20, 5, floorContainer, routingContainer);
        compare("container (source 300)", 8, 5, 5, floorContainer, routingContainer);
        compare("lookup alone (SourceId)", 1, 40, 5, floorLookup, routingLookup);
    }
    done = true;
    service.join();
    return 0;
}
