// The database session against the run's throwaway PostgreSQL server (see
// tests/fixtures/pg-cluster): connecting, the client encoding, passwords and
// the reports of failed connections and statements.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "loopback_listener.h"
#include "routing.h"
#include "routing_home.h"
#include "test_support.h"

using namespace tarvo_test;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// A file of the server's state folder, by its path with forward slashes
// (which libpq takes inside a connection string on both platforms).
std::string statePath(const char* name) {
    const char* state = getenv("TARVO_TEST_POSTGRES");
    if (state == nullptr) throw std::logic_error("ctest names the server's state folder");
    return std::string(state) + "/" + name;
}

std::string stateOf(const char* name) { return readFile(statePath(name)); }

// The first field of a one-row query.
std::string valueOf(PGconn* connection, const char* statement) {
    PGresult* result = PQexec(connection, statement);
    const std::string value = PQntuples(result) == 1 ? PQgetvalue(result, 0, 0) : "<no row>";
    PQclear(result);
    return value;
}

class RoutingDbTest : public testing::Test {
protected:
    void SetUp() override { routingDebug = 0; }
    void TearDown() override { freeRoutingConfig(config); }

    // Reads a routing.conf that names the test server and holds `lines`.
    const RoutingConfig* configure(const std::string& lines, const std::string& port = stateOf("port")) {
        home.writeConfig("DB_NAME = infra\nDB_HOST = 127.0.0.1\nDB_PORT = " + port + "\n" + lines);
        freeRoutingConfig(config);
        config = readRoutingConfig();
        return config;
    }

    // What libpq itself says about a connection string.
    static std::string bareError(const std::string& conninfo) {
        PGconn* connection = PQconnectdb(conninfo.c_str());
        const std::string error = PQerrorMessage(connection);
        PQfinish(connection);
        return error;
    }
    std::string connectionString() const {
        char* text = buildConnectionString(config);
        const std::string copy = text;
        free(text);
        return copy;
    }

    // Connects with the current configuration; returns what standard error got.
    std::string connect(PGconn** connection) {
        CaptureStderr();
        *connection = connectRoutingDb(config);
        return GetCapturedStderr();
    }
    void expectConnectionRefused() {
        PGconn* connection;
        EXPECT_EQ(connect(&connection),
                  "Connection to database failed!!\nError returned: " + bareError(connectionString()) + "\n");
        EXPECT_EQ(connection, nullptr);
    }

    RoutingHome home;
    RoutingConfig* config = nullptr;
};

TEST_F(RoutingDbTest, SessionsSpeakUtf8WhateverTheDatabaseEncoding) {
    configure("");
    PGconn* bare = PQconnectdb(connectionString().c_str());
    EXPECT_EQ(valueOf(bare, "SHOW client_encoding"), "LATIN1");
    PQfinish(bare);

    PGconn* connection;
    EXPECT_EQ(connect(&connection), "") << "the encoding is reported only in debug mode";
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(valueOf(connection, "SHOW client_encoding"), "UTF8");
    EXPECT_EQ(valueOf(connection, "SELECT current_user"), "tarvo");
    PQfinish(connection);

    configure("DEBUG = on\n");
    EXPECT_EQ(connect(&connection), "Database ClientEncoding set to UTF8!\n");
    PQfinish(connection);
}

TEST_F(RoutingDbTest, PasswordsReachTheServerAsWritten) {
    const std::string password = stateOf("password");
    ASSERT_EQ(password, "s3 cr'et\\pw") << "a blank, a quote and a backslash";
    configure("DB_USER = tarvo_secret\nDB_PASSWORD = " + password + "\n");
    PGconn* connection;
    EXPECT_EQ(connect(&connection), "");
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(valueOf(connection, "SELECT current_user"), "tarvo_secret");
    PQfinish(connection);

    configure("DB_USER = tarvo_secret\nDB_PASSWORD = s3 cr'et\n");
    expectConnectionRefused();
}

TEST_F(RoutingDbTest, PasswordsCannotAddKeywords) {
    configure("DB_USER = tarvo_secret\nDB_PASSWORD = wrong user=tarvo\n");
    expectConnectionRefused();

    // Pasted without quotes, the same value would log in as another role.
    PGconn* pasted = PQconnectdb(("dbname=infra host=127.0.0.1 port=" + stateOf("port") +
                                  " user=tarvo_secret password=wrong user=tarvo").c_str());
    EXPECT_EQ(valueOf(pasted, "SELECT current_user"), "tarvo");
    PQfinish(pasted);
}

TEST_F(RoutingDbTest, FailedConnectionsReportLibpqsText) {
    const int silentPort = closedLoopbackPort();
    configure("", std::to_string(silentPort));
    expectConnectionRefused();
    configure("", "not a number");
    EXPECT_EQ(config->dbPort, 0);
    expectConnectionRefused();
}

// The test server offers TLS with a certificate for the address 127.0.0.1,
// signed by the run's own certificate authority. By default the session
// takes TLS when offered (libpq's "prefer"); with DB_SSLMODE verify-full and
// the authority's certificate in DB_SSLROOTCERT it connects only to a
// server whose certificate names the host it asked for. On Windows through
// libpq.dll, with its OpenSSL.
TEST_F(RoutingDbTest, SessionsVerifyTheServerWhenConfigured) {
    const char* const ownBackend = "SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()";
    const std::string login = "DB_USER = tarvo_secret\nDB_PASSWORD = " + stateOf("password") + "\n";
    configure(login);
    PGconn* connection;
    EXPECT_EQ(connect(&connection), "");
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(valueOf(connection, ownBackend), "t");
    EXPECT_EQ(valueOf(connection, "SELECT version FROM pg_stat_ssl WHERE pid = pg_backend_pid()"), "TLSv1.3");
    PQfinish(connection);

    std::string authority = statePath("ca.crt");
    const std::string verified = login + "DB_SSLMODE = verify-full\nDB_SSLROOTCERT = ";
    configure(verified + authority + "\n");
    EXPECT_NE(connectionString().find(" sslmode=verify-full sslrootcert="), std::string::npos);
    EXPECT_EQ(connect(&connection), "");
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(valueOf(connection, ownBackend), "t");
    PQfinish(connection);
#ifdef _WIN32
    // A Windows path as administrators write it, with backslashes.
    for (char& c : authority) c = c == '/' ? '\\' : c;
    configure(verified + authority + "\n");
    EXPECT_EQ(connect(&connection), "");
    ASSERT_NE(connection, nullptr);
    PQfinish(connection);
#endif

    // The same server asked for by a name its certificate does not hold.
    home.writeConfig("DB_NAME = infra\nDB_HOST = localhost\nDB_PORT = " + stateOf("port") + "\n" + verified +
                     authority + "\n");
    freeRoutingConfig(config);
    config = readRoutingConfig();
    expectConnectionRefused();
    EXPECT_NE(bareError(connectionString()).find("server certificate for \"127.0.0.1\""), std::string::npos);
    EXPECT_NE(bareError(connectionString()).find("does not match host name \"localhost\""), std::string::npos)
        << bareError(connectionString());

    // Without TLS the same query says so.
    configure("DB_SSLMODE = disable\n");
    EXPECT_EQ(connect(&connection), "");
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(valueOf(connection, ownBackend), "f");
    PQfinish(connection);
}

// Without DB_PASSWORD libpq looks into its password file: here the one that
// PGPASSFILE names (owner-only, as libpq demands on Linux).
TEST_F(RoutingDbTest, PasswordsMayComeFromLibpqsPasswordFile) {
    configure("DB_USER = tarvo_secret\n");
    expectConnectionRefused();

    TempDir folder;
    const std::filesystem::path passFile = folder.path() / "pgpass.conf";
    std::string password;
    for (char c : stateOf("password")) password += (c == '\\' || c == ':') ? std::string("\\") + c : std::string(1, c);
    const std::string port = std::to_string(atoi(stateOf("port").c_str()));
    writeFile(passFile, "127.0.0.1:" + port + ":infra:tarvo_secret:" + password + "\n");
    std::filesystem::permissions(passFile, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    setEnv("PGPASSFILE", passFile.string());
    PGconn* connection;
    const std::string errors = connect(&connection);
    unsetEnv("PGPASSFILE");
    EXPECT_EQ(errors, "");
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(valueOf(connection, "SELECT current_user"), "tarvo_secret");
    PQfinish(connection);
}

TEST_F(RoutingDbTest, StatementFailuresAreReportedUniformly) {
    configure("");
    PGconn* connection = connectRoutingDb(config);
    ASSERT_NE(connection, nullptr);
    const auto expectFailure = [&](bool select, const char* statement, const char* kind) {
        CaptureStderr();
        if (select) {
            EXPECT_EQ(runSelect(connection, statement), nullptr);
        } else {
            EXPECT_EQ(runCommand(connection, statement), 0);
        }
        EXPECT_EQ(GetCapturedStderr(), std::string(kind) + " '" + statement + "' failed\nError returned: " +
                                           PQerrorMessage(connection) + "\n");
    };
    expectFailure(true, "SELECT a FROM no_table", "SELECT query");
    expectFailure(false, "INSERT INTO no_table VALUES (1)", "insert command");
    expectFailure(false, "UPDATE no_table SET a = 1", "insert command");

    EXPECT_EQ(runCommand(connection, "CREATE TEMP TABLE t (a int)"), 1);
    EXPECT_EQ(runCommand(connection, "INSERT INTO t VALUES (1)"), 1);
    PGresult* rows = runSelect(connection, "SELECT a FROM t");
    ASSERT_NE(rows, nullptr);
    EXPECT_STREQ(PQgetvalue(rows, 0, 0), "1");
    PQclear(rows);
    expectFailure(true, "INSERT INTO t VALUES (2)", "SELECT query");
    expectFailure(false, "SELECT a FROM t", "insert command");
    PQfinish(connection);
}

}  // namespace
