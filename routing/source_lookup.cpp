// Source lookup: the source of a sender, destination and sender host by the
// ranking statement, or a source by its id, handed to container creation or
// back as source ids.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "diskguard.h"
#include "heap_text.h"
#include "routing.h"
#include "text_encoding.h"

static const char* orEmpty(const char* text) { return text != nullptr ? text : ""; }

// Builds and runs the lookup statement; `announce` adds the debug line that
// the container lookup writes before running it.
static PGresult* runSourceLookup(PGconn* connection, const char* sender, const char* destination,
                                 const char* senderHost, bool announce) {
    char* values[3] = {escapeForStatement(connection, orEmpty(sender)),
                       escapeForStatement(connection, orEmpty(destination)),
                       escapeForStatement(connection, orEmpty(senderHost))};
    char statement[SOURCE_LOOKUP_SQL_CAPACITY];
    const size_t characters = utf8CharacterCount(orEmpty(sender)) + utf8CharacterCount(orEmpty(destination)) +
                              utf8CharacterCount(orEmpty(senderHost));
    const bool built = values[0] != nullptr && values[1] != nullptr && values[2] != nullptr &&
                       buildSourceLookupSql(statement, values[0], values[1], values[2], characters);
    for (char* value : values) free(value);
    if (!built) return nullptr;
    if (announce) routingDebugLog("query String %s\n", statement);
    return runSelect(connection, statement);
}

PGresult* querySourceLookup(PGconn* connection, const char* sender, const char* destination,
                            const char* senderHost) {
    return runSourceLookup(connection, sender, destination, senderHost, false);
}

// Whether the container volume is below its hard limit. The guard measures
// a UTF-8 path; the configured directory is in the platform's encoding.
static bool diskExhausted(const char* containerDir) {
    char* path = platformToUtf8(containerDir);
    const int state = checkFreeSpace(path, 0);
    free(path);
    return state == DISK_SPACE_EXHAUSTED;
}

char* getContainerForSender(const char* sender, const char* destination, const char* senderHost,
                            const char* name, int processId, int create) {
    sender = orEmpty(sender);
    destination = orEmpty(destination);
    senderHost = orEmpty(senderHost);
    RoutingConfig* config = readRoutingConfig();
    if (config == nullptr) return nullptr;
    if (diskExhausted(config->containerDir)) {
        fprintf(stderr, "ERROR: Can't get container, disk space too low.\n");
        fflush(stderr);
        freeRoutingConfig(config);
        return nullptr;
    }
    routingDebugLog("routing: will look up values for sender %s from host %s and destination %s in database %s "
                    "on host %s:%d\n",
                    sender, senderHost, destination, config->dbName, config->dbHost, config->dbPort);
    char* answer = nullptr;
    PGconn* connection = connectRoutingDb(config);
    if (connection != nullptr) {
        PGresult* sources = runSourceLookup(connection, sender, destination, senderHost, true);
        if (sources != nullptr && create) {
            answer = createContainer(connection, sources, name, processId, sender, destination, senderHost, 1,
                                     config->containerDir);
        } else if (sources != nullptr && PQntuples(sources) > 0) {
            answer = strdup(PQgetvalue(sources, 0, 0));
        }
        PQclear(sources);
        PQfinish(connection);
    }
    freeRoutingConfig(config);
    return answer;
}

static void freeIdList(char** ids, int count) {
    for (int i = 0; i < count; ++i) free(ids[i]);
    free(ids);
}

// One copied id per row, in result order, then the null entry.
static char** idListOf(PGresult* sources) {
    const int rows = PQntuples(sources);
    char** ids = (char**)calloc((size_t)rows + 1, sizeof *ids);
    if (ids == nullptr) return nullptr;
    for (int row = 0; row < rows; ++row) {
        if ((ids[row] = strdup(PQgetvalue(sources, row, 0))) == nullptr) {
            freeIdList(ids, row);
            return nullptr;
        }
    }
    return ids;
}

char** getSourceIdsBySender(const char* sender, const char* destination, const char* senderHost) {
    RoutingConfig* config = readRoutingConfig();
    if (config == nullptr) return nullptr;
    char** ids = nullptr;
    PGconn* connection = connectRoutingDb(config);
    if (connection != nullptr) {
        PGresult* sources = querySourceLookup(connection, sender, destination, senderHost);
        if (sources != nullptr) ids = idListOf(sources);
        PQclear(sources);
        PQfinish(connection);
    }
    freeRoutingConfig(config);
    return ids;
}

char* getContainerForSourceId(int sourceId, const char* sender, const char* destination,
                              const char* senderHost, const char* name, int processId, int writeLog) {
    RoutingConfig* config = readRoutingConfig();
    if (config == nullptr) return nullptr;
    routingDebugLog("routing: will look up values for sourceid: %d in database %s on host %s:%d\n", sourceId,
                    config->dbName, config->dbHost, config->dbPort);
    char* path = nullptr;
    PGconn* connection = connectRoutingDb(config);
    char* statement = formatText("SELECT s.id, s.priority, 0 as timeout, s.alias FROM source_lookup s where "
                                 "(s.id = %d);",
                                 sourceId);
    if (connection != nullptr && statement != nullptr) {
        routingDebugLog("query String %s\n", statement);
        PGresult* source = runSelect(connection, statement);
        if (source != nullptr) {
            path = createContainer(connection, source, name, processId, orEmpty(sender), orEmpty(destination),
                                   orEmpty(senderHost), writeLog, config->containerDir);
            PQclear(source);
        }
    }
    free(statement);
    PQfinish(connection);
    freeRoutingConfig(config);
    return path;
}
