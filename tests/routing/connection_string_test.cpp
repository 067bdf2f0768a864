// The connection string: order and content for each set of keys, and the
// quoting that keeps a value from being cut or adding other keywords.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "routing.h"
#include "routing_home.h"

using namespace tarvo_test;

namespace {

std::string connectionStringOf(const RoutingConfig& config) {
    char* text = buildConnectionString(&config);
    std::string copy = text;
    free(text);
    return copy;
}

// The connection string of routing.conf holding `file` (none when null).
std::string connectionStringFor(const char* file) {
    RoutingHome home;
    if (file != nullptr) home.writeConfig(file);
    RoutingConfig* config = readRoutingConfig();
    const std::string text = connectionStringOf(*config);
    freeRoutingConfig(config);
    return text;
}

TEST(ConnectionString, NamesDatabaseHostPortUserAndPasswordInThisOrder) {
    EXPECT_EQ(connectionStringFor(nullptr), "dbname=infra host=localhost port=5433 user=tarvo connect_timeout=10");
    EXPECT_EQ(connectionStringFor("DB_PASSWORD = secret\n"),
              "dbname=infra host=localhost port=5433 user=tarvo password=secret connect_timeout=10");
    EXPECT_EQ(connectionStringFor("DB_PASSWORD=pw\nDB_USER=router\nDB_PORT=6000\nDB_HOST=db.example\nDB_NAME=routing\n"),
              "dbname=routing host=db.example port=6000 user=router password=pw connect_timeout=10");
    EXPECT_EQ(connectionStringFor("DB_PORT = none\n"), "dbname=infra host=localhost port=0 user=tarvo connect_timeout=10");

    char name[] = "a", host[] = "b", password[] = "x";
    RoutingConfig noUser{"", name, host, 1, nullptr, password, 0, nullptr, nullptr, nullptr, 0};
    EXPECT_EQ(connectionStringOf(noUser), "dbname=a host=b port=1 password=x");
}

TEST(ConnectionString, QuotesValuesThatLibpqWouldOtherwiseCut) {
    EXPECT_EQ(connectionStringFor("DB_PASSWORD = a b'c\\d\n"),
              "dbname=infra host=localhost port=5433 user=tarvo password='a b\\'c\\\\d' connect_timeout=10");
    EXPECT_EQ(connectionStringFor("DB_PASSWORD = x host=elsewhere\n"),
              "dbname=infra host=localhost port=5433 user=tarvo password='x host=elsewhere' connect_timeout=10");
    EXPECT_EQ(connectionStringFor("DB_USER =\nDB_NAME = my db\nDB_HOST = tab\there\n"),
              "dbname='my db' host='tab\there' port=5433 user='' connect_timeout=10");
    EXPECT_EQ(connectionStringFor("DB_PASSWORD = p=q&r\n"),
              "dbname=infra host=localhost port=5433 user=tarvo password=p=q&r connect_timeout=10")
        << "other characters need no quotes";

    const std::string longHost(3000, 'h');
    EXPECT_EQ(connectionStringFor(("DB_HOST = " + longHost + "\n").c_str()),
              "dbname=infra host=" + longHost + " port=5433 user=tarvo connect_timeout=10");
}

// TLS, the connect timeout and a host list: each keyword follows the
// password, only when set (the timeout always, 10 s unless configured).
TEST(ConnectionString, AddsTlsTimeoutAndWritableServerAfterTheLogin) {
    EXPECT_EQ(connectionStringFor("DB_CONNECT_TIMEOUT = 3\nDB_SSLMODE = verify-full\n"
                                  "DB_SSLROOTCERT = C:\\Program Files\\Tarvo\\conf\\ca.crt\nDB_PASSWORD = pw\n"),
              "dbname=infra host=localhost port=5433 user=tarvo password=pw connect_timeout=3 sslmode=verify-full "
              "sslrootcert='C:\\\\Program Files\\\\Tarvo\\\\conf\\\\ca.crt'");
    EXPECT_EQ(connectionStringFor("DB_SSLMODE = require\n"),
              "dbname=infra host=localhost port=5433 user=tarvo connect_timeout=10 sslmode=require");
    // 0 would wait for ever, as would a value that is no number.
    for (const char* timeout : {"0", "-5", "soon"}) {
        EXPECT_EQ(connectionStringFor(("DB_CONNECT_TIMEOUT = " + std::string(timeout) + "\n").c_str()),
                  "dbname=infra host=localhost port=5433 user=tarvo connect_timeout=10")
            << timeout;
    }
    EXPECT_EQ(connectionStringFor("DB_HOST = db1.example,db2.example\nDB_PORT = 5432\n"),
              "dbname=infra host=db1.example,db2.example port=5432 user=tarvo connect_timeout=10 "
              "target_session_attrs=read-write");
}

}  // namespace
