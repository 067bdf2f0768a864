// An installation home whose routing.conf names a database of the run's
// throwaway PostgreSQL server (tests/fixtures/pg-cluster, with the databases
// of tests/fixtures/routing-db), and a container root of its own. On Linux
// the server is reached over its Unix socket, which a private network
// namespace (where the tests may listen on the autorouter's port) does not
// hide; under Wine over 127.0.0.1.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "routing_home.h"
#include "test_support.h"

namespace tarvo_test {

inline std::string postgresState(const char* name) {
    const char* state = getenv("TARVO_TEST_POSTGRES");
    if (state == nullptr) throw std::logic_error("ctest names the server's state folder");
    std::string value = readFile(std::filesystem::path(state) / name);
    while (!value.empty() && value.back() == '\n') value.pop_back();
    return value;
}

inline std::string postgresHost() {
#ifdef _WIN32
    return "127.0.0.1";
#else
    return postgresState("cluster");
#endif
}

class RoutingDbHome : public RoutingHome {
public:
    // routing.conf for database `database` with further `lines`.
    void configure(const std::string& database, const std::string& lines = "") const {
        writeConfig("DB_NAME = " + database + "\nDB_HOST = " + postgresHost() +
                    "\nDB_PORT = " + postgresState("port") + "\nCONTAINER_DIR = " + containers.str() + "\n" +
                    lines);
    }
    // A connection of the test's own to `database`, as the owner.
    std::string conninfo(const std::string& database) const {
        return "dbname=" + database + " host=" + postgresHost() + " port=" + postgresState("port") +
               " user=tarvo";
    }

    TempDir containers;
};

}  // namespace tarvo_test
