// Failover of the routing database: a primary and a streaming standby made
// from it by pg_basebackup (tests/fixtures/pg-failover), named together in
// DB_HOST. Containers are made on the primary; with the primary stopped
// creations fail cleanly, leaving nothing behind, until the standby is
// promoted; then they succeed on it with the same routing.conf. Runs in a
// network namespace of its own (tests/fixtures/private-network), where both
// servers listen on the same port on 127.0.0.1 and 127.0.0.2.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>

#include "routing.h"
#include "routing_home.h"

using namespace tarvo_test;
namespace fs = std::filesystem;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

const char kPort[] = "5433";  // free: the namespace is the test's own

class FailoverTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tarvo-failover.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        clusters = pattern;
        ASSERT_EQ(failover("start", kPort), 0) << "primary and standby (needs root or the postgres user)";
        home.writeConfig("DB_NAME = routing\nDB_HOST = 127.0.0.1,127.0.0.2\nDB_PORT = " + std::string(kPort) +
                         "\nCONTAINER_DIR = " + containers.str() + "\n");
    }
    void TearDown() override { failover("stop"); }

    int failover(const std::string& action, const std::string& argument = "") {
        return system((std::string(TARVO_PG_FAILOVER) + " " + action + " " + clusters + " " + argument).c_str());
    }
    // One creation; true when it gave a data directory.
    bool create() {
        CaptureStderr();
        char* data = getContainerForSender("FULL", "D", "H", nullptr, 42, 1);
        lastErrors = GetCapturedStderr();
        free(data);
        return data != nullptr;
    }
    size_t containerCount() const {
        return (size_t)std::distance(fs::directory_iterator(containers.path()), fs::directory_iterator());
    }
    std::string logRows(const char* host) const {
        PGconn* connection = PQconnectdb(("dbname=routing user=tarvo port=" + std::string(kPort) +
                                          " host=" + host).c_str());
        PGresult* result = PQexec(connection, "SELECT count(*) FROM log WHERE logsource = 'LIBROUTING'");
        const std::string rows = PQntuples(result) == 1 ? PQgetvalue(result, 0, 0) : PQerrorMessage(connection);
        PQclear(result);
        PQfinish(connection);
        return rows;
    }

    RoutingHome home;
    TempDir containers;
    std::string clusters;
    std::string lastErrors;
};

TEST_F(FailoverTest, CreationsMoveToThePromotedStandby) {
    ASSERT_TRUE(create()) << lastErrors;
    EXPECT_EQ(containerCount(), 1u);

    ASSERT_EQ(failover("stop-primary"), 0);
    const auto stopped = std::chrono::steady_clock::now();
    int failures = 0;
    bool promoted = false;
    bool created = false;
    // Three failed creations, then the standby is promoted as an operator
    // would; bounded, should the promotion never take.
    while (!created && std::chrono::steady_clock::now() - stopped < std::chrono::seconds(60)) {
        created = create();
        if (created) break;
        ++failures;
        EXPECT_NE(lastErrors.find("Connection to database failed!!\n"), std::string::npos) << lastErrors;
        EXPECT_EQ(containerCount(), 1u) << "a failed creation leaves nothing behind";
        if (failures == 3 && !promoted) {
            EXPECT_NE(lastErrors.find("session is read-only"), std::string::npos)
                << "the standby answers but is refused: " << lastErrors;
            ASSERT_EQ(failover("promote"), 0);
            promoted = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const auto outage = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - stopped);
    ASSERT_TRUE(created) << lastErrors;
    EXPECT_TRUE(promoted);
    EXPECT_EQ(containerCount(), 2u);
    EXPECT_EQ(logRows("127.0.0.2"), "2") << "the primary's row came over by streaming, the new one was added";
    ASSERT_TRUE(create()) << lastErrors;
    std::cout << "failover: " << failures << " creations failed in " << outage.count()
              << " ms between the primary's stop and the first creation on the promoted standby\n";
    RecordProperty("failed_creations", failures);
    RecordProperty("outage_ms", (int)outage.count());
}

}  // namespace
