// Source lookup against the run's PostgreSQL server with the routing
// databases of tests/fixtures/routing-db, in both builds (under Wine through
// libpq.dll): the ranking, values with quotes, backslashes and umlauts, the
// escaping of statements run elsewhere, and overlong values. Nothing here
// makes a container.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "routing.h"
#include "routing_db_home.h"

using namespace tarvo_test;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

std::string taken(char* text) {
    const std::string copy = text != nullptr ? text : "<null>";
    free(text);
    return copy;
}

class SourceLookupDbTest : public testing::Test {
protected:
    void SetUp() override { routingDebug = 0; }

    std::vector<std::string> sourceIds(const char* sender, const char* destination, const char* senderHost) {
        char** ids = getSourceIdsBySender(sender, destination, senderHost);
        std::vector<std::string> list;
        if (ids == nullptr) return {"<null>"};
        for (char** id = ids; *id != nullptr; ++id) {
            list.push_back(*id);
            free(*id);
        }
        free(ids);
        return list;
    }

    RoutingDbHome home;
};

TEST_F(SourceLookupDbTest, SourcesRankBySpecificityThenByNamesWithNullsLast) {
    home.configure("routing");
    EXPECT_EQ(sourceIds("SPEC", "DEST", "HOST"), (std::vector<std::string>{"101", "103", "104", "102", "105"}));
    EXPECT_EQ(sourceIds("TWICE", "D2", nullptr), (std::vector<std::string>{"130", "130"}));
    EXPECT_EQ(sourceIds("CT_SCANNER", "", ""), (std::vector<std::string>{"110"})) << "regex ^CT";
    EXPECT_EQ(sourceIds("^CT", "", ""), (std::vector<std::string>{"111"})) << "the plain row matches itself";
    EXPECT_EQ(sourceIds("INACTIVE", "", ""), std::vector<std::string>{});
    EXPECT_EQ(sourceIds("HOSTLESS", nullptr, nullptr), (std::vector<std::string>{"140"}));
    EXPECT_EQ(sourceIds("HOSTLESS", nullptr, "somehost"), (std::vector<std::string>{"141"}));

    CaptureStderr();
    EXPECT_EQ(taken(getContainerForSender("SPEC", "DEST", "HOST", nullptr, 0, 0)), "101");
    EXPECT_EQ(taken(getContainerForSender("NOBODY", "", "", nullptr, 0, 0)), "<null>");
    EXPECT_EQ(GetCapturedStderr(), "");
}

TEST_F(SourceLookupDbTest, QuotesAndBackslashesFindTheirOwnRowsAndRewriteNothing) {
    home.configure("routing");
    EXPECT_EQ(sourceIds("O'Brien CT", "", ""), (std::vector<std::string>{"160"}));
    EXPECT_EQ(sourceIds("back\\slash", "", ""), (std::vector<std::string>{"161"}));
    EXPECT_EQ(sourceIds("Grüße CT", "", ""), (std::vector<std::string>{"170"})) << "UTF-8 to a LATIN1 database";
    EXPECT_EQ(sourceIds("x' or '1'='1", "x' or '1'='1", "x' or '1'='1"), std::vector<std::string>{});
    EXPECT_EQ(sourceIds("x') or true or ('", "", ""), std::vector<std::string>{});
}

TEST_F(SourceLookupDbTest, EscapingWithoutAConnectionMatchesLibpq) {
    PGconn* connection = PQconnectdb(home.conninfo("routing").c_str());
    const char* sample = "O'Brien \\' CT\\";
    for (const char* mode : {"on", "off"}) {
        PQclear(PQexec(connection, (std::string("SET standard_conforming_strings = ") + mode).c_str()));
        char* libpq = escapeForStatement(connection, sample);
        EXPECT_EQ(taken(escapeSqlText(sample, std::string(mode) == "on")), taken(libpq)) << mode;
    }
    PQfinish(connection);
}

TEST_F(SourceLookupDbTest, OverlongLookupsAreRefusedWhole) {
    home.configure("routing");
    const std::string sender(600, 'S');
    CaptureStderr();
    EXPECT_EQ(sourceIds(sender.c_str(), "", ""), std::vector<std::string>{"<null>"});
    // Quotes count once as characters, twice as escaped bytes.
    const std::string quotes(300, '\'');
    EXPECT_EQ(sourceIds(quotes.c_str(), "", ""), std::vector<std::string>{"<null>"});
    EXPECT_EQ(GetCapturedStderr(),
              "ContainerSourceLookupSQL: sender, destination and sender host too long (600 characters, 600 bytes "
              "as escaped, at most 548 bytes together), not looked up\n"
              "ContainerSourceLookupSQL: sender, destination and sender host too long (300 characters, 600 bytes "
              "as escaped, at most 548 bytes together), not looked up\n");
}

}  // namespace
