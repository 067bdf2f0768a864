// Container routing: the routing configuration "routing.conf", the session
// with the PostgreSQL routing database and the notification of the autorouter
// service.
//
// Every routing operation reads the configuration anew, opens its own
// database connection and closes it before it returns; nothing is cached
// between operations except the process-wide values below. Messages go
// straight to the process's standard error. New texts are malloc'ed and
// released by the caller with free().
#pragma once

#include <stdint.h>

#include <atomic>

#include <libpq-fe.h>

// Process-wide values, refreshed by every successful reading of routing.conf
// (see readRoutingConfig). Each reading overwrites them whole; atomics make
// that well-defined when Java threads read and check at the same time.
extern std::atomic<int> diskFreeSizeMb;    // hard free-space limit in MB, 500 at start
extern std::atomic<int> diskSlowerSizeMb;  // slow-down free-space level in MB, 1024 at start
extern std::atomic<int> routingDebug;      // debug messages on (1) or off (0), off at start

extern "C" {

// One reading of routing.conf. Texts other than home are owned copies.
typedef struct RoutingConfig {
    const char* home;     // installation home (getTarvoHome), borrowed
    char* dbName;         // DB_NAME, "infra"
    char* dbHost;         // DB_HOST, "localhost"
    int32_t dbPort;       // DB_PORT, 5433; no leading digits give 0
    char* dbUser;         // DB_USER, "tarvo"
    char* dbPassword;     // DB_PASSWORD, null when the key is missing
    int writeImportInfo;  // WRITE_IMPORTINFO switch, off
    char* containerDir;   // CONTAINER_DIR as written, else home + "/container"
} RoutingConfig;

// Reads home + "/conf/routing.conf". Never fails: a missing or unreadable
// file gives the defaults and leaves the process-wide values as they were.
// Returns null only when memory runs out.
RoutingConfig* readRoutingConfig(void);

// Releases a record of readRoutingConfig with its texts; null is fine.
void freeRoutingConfig(RoutingConfig* config);

// The container root of a fresh reading, as a new text (null when memory
// runs out). Neither created nor checked.
char* readContainerDirectory(void);

// The libpq connection string for `config`:
// "dbname=%s host=%s port=%d", then " user=%s" and " password=%s" for the
// values present. A value that is empty or holds a blank, a quote or a
// backslash is quoted and escaped as libpq's keyword/value syntax requires,
// so it reaches the server as written and cannot add other keywords.
// Returns a new text, or null when memory runs out.
char* buildConnectionString(const RoutingConfig* config);

// Opens the routing database and sets the client encoding to UTF8. On
// failure writes "Connection to database failed!!" and libpq's error and
// returns null. The caller closes the connection with PQfinish.
PGconn* connectRoutingDb(const RoutingConfig* config);

// Runs a SELECT. Returns its result, or null after writing "SELECT query
// '%s' failed" and libpq's error when the status is not PGRES_TUPLES_OK.
// The caller releases a result with PQclear.
PGresult* runSelect(PGconn* connection, const char* statement);

// Runs an INSERT or UPDATE. Returns 1 on PGRES_COMMAND_OK, else writes
// "insert command '%s' failed" and libpq's error and returns 0. The result
// is released either way.
int runCommand(PGconn* connection, const char* statement);

// Writes a printf-style message to standard error while routingDebug is on.
void routingDebugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The state of a container as signalled to the autorouter service: -1 adds
// "&init"; 2 adds "&complete&canceled"; any other positive value "&complete";
// 0 and other negative values add nothing. Positive states also write the
// container's stateinfo file.
typedef int32_t ContainerState;
enum { CONTAINER_INIT = -1, CONTAINER_COMPLETE = 1, CONTAINER_CANCELED = 2 };

// Tells the autorouter service the state of `container` (the data directory
// of a container, as routing returns it), optionally naming a file. A
// positive state first writes "completed" into the file "stateinfo" of the
// directory above `container`. Null host means 127.0.0.1, port 0 means 7375.
// The caller is not told the outcome; failures are written to standard error.
// This is the operation behind the Java method signalAutorouter.
void signalAutorouterState(const char* host, int32_t port, const char* container,
                           const char* fileName, ContainerState state);

// Sends the line "GET /?<request> HTTP/1.1\n" to host:port (null host means
// 127.0.0.1, port 0 means 7375) and closes the connection without reading an
// answer. Writes "sendMessageAutorouter ok: <okText>" afterwards when okText
// is given.
void sendMessageAutorouter(const char* host, int32_t port, const char* request, const char* okText);

// Resolves a host name, else a dotted-decimal IPv4 address; an empty or null
// name means this machine's own host name. Returns 1 with the address (in
// network byte order) in *address, else 0.
int getHostaddrByWhatever(const char* name, uint32_t* address);

}  // extern "C"
