// Rewrites a container's sender data: its sourcedata.db and the message of
// its "log" row.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "heap_text.h"
#include "routing.h"

static const char kLogUpdateSql[] =
    "UPDATE log SET message = 'newcontainer\t%s\t%s\t%s' WHERE container = '%s' AND logsource = 'LIBROUTING';";

// The UPDATE of the log row of the container in `containerDirectory`.
static int updateLogRow(const RoutingConfig* config, const char* containerDirectory, const char* sender,
                        const char* destination, const char* senderHost) {
    PGconn* connection = connectRoutingDb(config);
    if (connection == nullptr) return 0;
    char* name = containerNameOf(containerDirectory);
    char* shownDestination = strdup(destination);
    if (shownDestination != nullptr) replaceChar(shownDestination, '\t', '|');
    char* values[4] = {};
    char* statement = nullptr;
    if (name != nullptr && shownDestination != nullptr) {
        values[0] = escapeForStatement(connection, sender);
        values[1] = escapeForStatement(connection, shownDestination);
        values[2] = escapeForStatement(connection, senderHost);
        values[3] = escapeForStatement(connection, name);
    }
    if (values[0] != nullptr && values[1] != nullptr && values[2] != nullptr && values[3] != nullptr) {
        statement = formatText(kLogUpdateSql, values[0], values[1], values[2], values[3]);
    }
    for (char* value : values) free(value);
    int updated = 0;
    if (statement != nullptr) {
        routingDebugLog("routing: updating infra.log with SQL: %s\n", statement);
        updated = runCommand(connection, statement);
        if (!updated) fprintf(stderr, "routing: could not update infra.log for container '%s'\n", name);
    }
    free(statement);
    free(shownDestination);
    free(name);
    PQfinish(connection);
    return updated;
}

int updateContainerSourceData(const char* containerPath, const char* sender, const char* destination,
                              const char* senderHost, int updateLog) {
    if (containerPath == nullptr) return 0;
    if (sender == nullptr) sender = "";
    if (destination == nullptr) destination = "";
    if (senderHost == nullptr) senderHost = "";
    RoutingConfig* config = readRoutingConfig();
    if (config == nullptr) return 0;
    routingDebugLog("routing: updating container %s with sender '%s', destination '%s' and senderhost '%s'.\n",
                    containerPath, sender, destination, senderHost);
    char* directory = containerDirectoryOf(containerPath);
    char* file = nullptr;
    int done = directory != nullptr && writeSourceDataFile(directory, destination, sender, senderHost, 1, &file) == 1;
    if (done) {
        routingDebugLog("routing: updating sourcedata '%s' with sender '%s', destination '%s' and senderhost "
                        "'%s'.\n",
                        file, sender, destination, senderHost);
        if (updateLog) done = updateLogRow(config, directory, sender, destination, senderHost);
    }
    free(file);
    free(directory);
    freeRoutingConfig(config);
    return done;
}
