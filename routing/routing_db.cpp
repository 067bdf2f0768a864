// The session with the routing database: connecting, and running statements
// with the uniform report of their failures.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "routing.h"

PGconn* connectRoutingDb(const RoutingConfig* config) {
    char* conninfo = buildConnectionString(config);
    if (conninfo == nullptr) return nullptr;
    PGconn* connection = PQconnectdb(conninfo);
    free(conninfo);
    if (PQstatus(connection) == CONNECTION_BAD) {
        fprintf(stderr, "Connection to database failed!!\n");
        fprintf(stderr, "Error returned: %s\n", PQerrorMessage(connection));
        PQfinish(connection);
        return nullptr;
    }
    if (PQsetClientEncoding(connection, "UTF8") == 0) {
        routingDebugLog("Database ClientEncoding set to UTF8!\n");
    } else {
        routingDebugLog("Could not set database ClientEncoding to UTF8!\n");
    }
    return connection;
}

PGresult* runSelect(PGconn* connection, const char* statement) {
    PGresult* result = PQexec(connection, statement);
    if (PQresultStatus(result) == PGRES_TUPLES_OK) return result;
    fprintf(stderr, "SELECT query '%s' failed\n", statement);
    fprintf(stderr, "Error returned: %s\n", PQerrorMessage(connection));
    PQclear(result);
    return nullptr;
}

int runCommand(PGconn* connection, const char* statement) {
    PGresult* result = PQexec(connection, statement);
    const bool done = PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!done) {
        fprintf(stderr, "insert command '%s' failed\n", statement);
        fprintf(stderr, "Error returned: %s\n", PQerrorMessage(connection));
    }
    PQclear(result);
    return done;
}

char* escapeForStatement(PGconn* connection, const char* text) {
    const size_t length = strlen(text);
    char* escaped = (char*)malloc(2 * length + 1);
    if (escaped == nullptr) return nullptr;
    int error = 0;
    PQescapeStringConn(connection, escaped, text, length, &error);
    if (error != 0) {
        fprintf(stderr, "Can't put '%s' into a statement: %s\n", text, PQerrorMessage(connection));
        free(escaped);
        return nullptr;
    }
    return escaped;
}
