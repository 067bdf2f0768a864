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
    EXPECT_EQ(connectionStringFor(nullptr), "dbname=infra host=localhost port=5433 user=tarvo");
    EXPECT_EQ(connectionStringFor("DB_PASSWORD = secret\n"),
              "dbname=infra host=localhost port=5433 user=tarvo password=secret");
    EXPECT_EQ(connectionStringFor("DB_PASSWORD=pw\nDB_USER=router\nDB_PORT=6000\nDB_HOST=db.example\nDB_NAME=routing\n"),
              "dbname=routing host=db.example port=6000 user=router password=pw");
    EXPECT_EQ(connectionStringFor("DB_PORT = none\n"), "dbname=infra host=localhost port=0 user=tarvo");

    char name[] = "a", host[] = "b", password[] = "x";
    RoutingConfig noUser{"", name, host, 1, nullptr, password, 0, nullptr};
    EXPECT_EQ(connectionStringOf(noUser), "dbname=a host=b port=1 password=x");
}

TEST(ConnectionString, QuotesValuesThatLibpqWouldOtherwiseCut) {
    EXPECT_EQ(connectionStringFor("DB_PASSWORD = a b'c\\d\n"),
              "dbname=infra host=localhost port=5433 user=tarvo password='a b\\'c\\\\d'");
    EXPECT_EQ(connectionStringFor("DB_PASSWORD = x host=elsewhere\n"),
              "dbname=infra host=localhost port=5433 user=tarvo password='x host=elsewhere'");
    EXPECT_EQ(connectionStringFor("DB_USER =\nDB_NAME = my db\nDB_HOST = tab\there\n"),
              "dbname='my db' host='tab\there' port=5433 user=''");
    EXPECT_EQ(connectionStringFor("DB_PASSWORD = p=q&r\n"),
              "dbname=infra host=localhost port=5433 user=tarvo password=p=q&r")
        << "other characters need no quotes";

    const std::string longHost(3000, 'h');
    EXPECT_EQ(connectionStringFor(("DB_HOST = " + longHost + "\n").c_str()),
              "dbname=infra host=" + longHost + " port=5433 user=tarvo");
}

}  // namespace
