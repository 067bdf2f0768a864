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
#include <stdio.h>

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
    char* dbSslMode;      // DB_SSLMODE, null when the key is missing (libpq's default)
    char* dbSslRootCert;  // DB_SSLROOTCERT, null when the key is missing
    int32_t dbConnectTimeout;  // DB_CONNECT_TIMEOUT in seconds, 10; below 1 gives 10
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
// values present, " connect_timeout=%d" when the timeout is positive,
// " sslmode=%s" and " sslrootcert=%s" for the values present, and
// " target_session_attrs=read-write" when the host is a comma-separated
// list (a primary and its standbys: only a writable server will do). A
// value that is empty or holds a blank, a quote or a backslash is quoted
// and escaped as libpq's keyword/value syntax requires, so it reaches the
// server as written and cannot add other keywords.
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

// The path of routing.conf in the installation home `home` (a new text).
char* routingConfigPath(const char* home);

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

// The keys of routing.conf, in the order they are read, with their defaults
// as the file would write them (null: none, or for DEBUG: unchanged), and
// the tables the routing module reads or writes with the privileges it needs
// on each: for reports of the configuration and the database.
struct RoutingConfigKey {
    const char* name;
    const char* defaultValue;
};
extern const RoutingConfigKey kRoutingConfigKeys[];
extern const int kRoutingConfigKeyCount;

struct RoutingTableNeed {
    const char* table;
    const char* privileges;  // comma-separated, as has_table_privilege takes them
};
extern const RoutingTableNeed kRoutingTableNeeds[];
extern const int kRoutingTableNeedCount;

// ---- Statements (sql_text.cpp; no libpq needed) ----------------------------

extern "C" {

// Size of the buffer the source lookup statement is formatted into. Its fixed
// text has 950 characters and takes each value twice, so the three values
// together (as escaped) may hold at most 548 characters.
#define SOURCE_LOOKUP_SQL_CAPACITY 2048

// Formats the source lookup statement with the three values, which the
// caller has escaped for a literal already, into `buffer` (at least
// SOURCE_LOOKUP_SQL_CAPACITY bytes). Writes "ContainerSourceLookupSQL: %s"
// in debug mode. Returns 1, or 0 after a message when the values do not fit:
// they are never cut into another statement. `characters` is the number of
// characters of the three values as given, which the message names beside
// their escaped bytes.
int buildSourceLookupSql(char* buffer, const char* sender, const char* destination, const char* senderHost,
                         size_t characters);

// The same statement with four more columns after specificity: the matching
// pattern row's sender, destination, senderhost and useregex (as
// pattern_sender, pattern_destination, pattern_senderhost, pattern_regex),
// so a report can say why each source matched. Same ranking, same rows.
// `buffer` holds at least SOURCE_LOOKUP_SQL_CAPACITY + 160 bytes. Returns 1,
// or 0 (without a message) when the values do not fit.
int buildSourceLookupReasonSql(char* buffer, const char* sender, const char* destination, const char* senderHost);

// A copy of `text` escaped for the inside of a '...' literal: every quote
// doubled, and every backslash too when the session does not read strings
// the standard way (standard_conforming_strings off). For statements that
// are not run on a connection at hand, such as the one in dbImport.info.
// Null when memory runs out.
char* escapeSqlText(const char* text, int standardStrings);

// Whether `text` is a decimal integer (an optional minus, then digits only),
// the only form of a database value that is put into a statement unquoted.
int isDecimalInteger(const char* text);

}  // extern "C"

// ---- Container names and files (container_name.cpp, container_files.cpp;
// no libpq needed) -----------------------------------------------------------

extern "C" {

// Longest container name; a longer one is refused, never cut.
#define CONTAINER_NAME_MAX 1023

// The clock of container names, in whole seconds since 1970: time() unless
// a test steps it.
extern long (*containerClock)(void);

// Reads the clock into *second and counts the containers named in it: 1 for
// the first of a second, then 2, 3, ... Both happen in one step under one
// lock shared by all threads, so no two calls get the same second and
// counter.
int nextContainerCounter(long* second);

// The container name "<id>.<priority>.<timeout>." followed by `name` when it
// is given and not empty, else by "<processId>.<seconds>.<counter>". The
// timeout is null for a NULL field (written 0), else its decimal value.
// Returns a new text, or null after a message when the name would be longer
// than CONTAINER_NAME_MAX or hold a path separator (it names one folder of
// the container directory and must not reach outside it) or a line end (it
// is part of the request line of the autorouter service).
char* buildContainerName(const char* id, const char* priority, const char* timeout, const char* name,
                         int processId);

// Replaces every `from` in `text` by `to`, in place; returns `text`.
char* replaceChar(char* text, char from, char to);

// The container directory of a path that routing returned: a copy of `path`
// cut in front of the separator before its last "data" (when that does not
// start the text), else the whole path. Null when memory runs out.
char* containerDirectoryOf(const char* path);

// The container name in a container directory path (platform encoding): its
// last component, "/" and "\" both read as separators, trailing separators
// ignored, in UTF-8 as the log row holds it. A new text, or null.
char* containerNameOf(const char* containerDirectory);

// Creates `path` (platform encoding) with every missing level, turning its
// "/" into "\" on Windows. Returns 1, or 0 after "Can't create container
// directory '%s': %i" with the system's error code.
int createContainerFolder(char* path);

// Creates the container directory "<containerDir>/<name>" for a UTF-8 name
// from the database, converted to the platform's encoding; missing levels of
// containerDir are made first. The directory itself must be new: one that
// exists already (another container's, or anything else) is never taken
// over, creation fails with the system's "already exists" code. Returns its
// path (a new text), or null after a message (also for a name the ANSI code
// page cannot hold).
char* createContainerDirectory(const char* containerDir, const char* name);

// Kinds of a rule row, from the words its columns carry.
enum { RULE_STAGING = 1, RULE_ARCHIVE_ONLY = 2 };

// RULE_STAGING when a value is "IMPORT" or "STAGING_ONLY", RULE_ARCHIVE_ONLY
// when another value is "ARCHIVE_ONLY" (both compared without case); both
// bits when two columns carry them.
int ruleKind(const char* const* values, int count);

// A container file being written. It ends whole or not at all: every write
// and the close are checked, and a file that failed is removed again. A
// file opened to replace another is written beside it and put in its place
// only when it is whole, so a reader sees the old file or the new one.
typedef struct ContainerFile {
    FILE* stream;
    char* path;         // the file's path (platform encoding)
    char* writtenPath;  // where the bytes go: path, or the file beside it
    const char* kind;   // its name in messages: "rulefile", "sourcedatafile", ...
    int error;          // errno of the first failed write, else 0
    int refused;        // a value was refused (its message is written)
} ContainerFile;

// Opens "<directory>/<name>" for writing in text mode (CR LF on Windows),
// with `replace` as a new file beside it. When it cannot be opened, writes
// "can't open <kind> '<path>' for writing" and returns 0; else 1.
int openContainerFile(ContainerFile* file, const char* directory, const char* name, const char* kind,
                      int replace);

// Writes `count` values, each followed by a TAB when `tabAfterEach` (else
// TABs only between them), and a line end. A value holding CR or LF would
// split the line: it is refused with "can't write <kind> '<path>': <what>
// holds a line end" and the file fails.
void writeValuesLine(ContainerFile* file, const char* const* values, int count, int tabAfterEach,
                     const char* what);

// One row of database values, each followed by a TAB, and a line end.
void writeFieldLine(ContainerFile* file, const char* const* values, int count);

// Flushes and closes the file and, for a replacement, puts it in place.
// Returns 1 when the whole file is where it belongs; else writes "can't
// write <kind> '<path>': <system error> (<code>)" (unless a value was
// refused already), removes what was written and returns 0.
int closeContainerFile(ContainerFile* file);

// Which of the source values holds a line end, for messages ("the
// destination", "the sender", "the sender host"), or null when none does.
const char* sourceValueWithLineEnd(const char* destination, const char* sender, const char* senderHost);

// Writes sourcedata.db into `directory`: destination, sender and sender host,
// one a line, in place of an existing one with `replace`. Returns 1; 0 after
// "can't open sourcedatafile '%s' for writing"; -1 after a write failure or
// a refused value (an existing file then stays as it was). *path (when
// given) receives the file's path on success.
int writeSourceDataFile(const char* directory, const char* destination, const char* sender,
                        const char* senderHost, int replace, char** path);

// Writes dbImport.info into `dataDirectory`: the study-source INSERT with the
// unique id, a literal "%s" for the parent object id, and the three values
// (escaped for a literal by the caller). Returns 1, or 0 after "can't open
// dbImport info file '%s' for writing" or a write failure.
int writeImportInfoFile(const char* dataDirectory, const char* uniqueId, const char* destination,
                        const char* sender, const char* senderHost);

// Removes a container directory that this process has just created, with
// everything in it, after a creation failed half-way. Returns 1, or 0 after
// "Can't remove container directory '%s': %i".
int removeContainerDirectory(const char* path);

}  // extern "C"

// ---- Source lookup and containers (source_lookup.cpp, container.cpp,
// container_update.cpp; libpq) ----------------------------------------------

extern "C" {

// sender, destination and senderHost are UTF-8 (the session's encoding);
// absent ones count as empty. Paths are in the platform's encoding.

// Runs the source lookup statement with the three values escaped on
// `connection`. Returns the result (the caller releases it with PQclear), or
// null after the failure messages.
PGresult* querySourceLookup(PGconn* connection, const char* sender, const char* destination,
                            const char* senderHost);

// With `create`: the data directory path of a new container for the best
// matching source. Without: a copy of that source's id. Refused without
// database access when the container volume is below its hard limit. Null
// when nothing matches or anything fails; the caller frees the result.
char* getContainerForSender(const char* sender, const char* destination, const char* senderHost,
                            const char* name, int processId, int create);

// The ids of every matching source in match order, followed by a null entry
// (only the null entry when nothing matches); null on failure. The caller
// frees the ids and the list.
char** getSourceIdsBySender(const char* sender, const char* destination, const char* senderHost);

// The data directory path of a new container for the source `sourceId`
// (active or not; timeout 0). Null on failure.
char* getContainerForSourceId(int sourceId, const char* sender, const char* destination,
                              const char* senderHost, const char* name, int processId, int writeLog);

// Creates the container for row 0 of `source` under `containerDir`, with its
// files, the "log" row (when `writeLog`) and the "init" notification. Returns
// the data directory path, or null after a message. sender, destination and
// senderHost must be present.
char* createContainer(PGconn* connection, PGresult* source, const char* name, int processId, const char* sender,
                      const char* destination, const char* senderHost, int writeLog, const char* containerDir);

// Rewrites sourcedata.db of the container of `containerPath` (a path that
// routing returned) and, with `updateLog`, the message of its "log" row.
// Returns 1, or 0 on failure (at once without a path).
int updateContainerSourceData(const char* containerPath, const char* sender, const char* destination,
                              const char* senderHost, int updateLog);

// The statements container creation reads a source's content with, run
// alone (nothing is written): the rules of a source in the newest layout or
// the one before it, the staging rows of an import database in the first of
// the three layouts that the database has, the archives of a rule, the
// working times of a source. Each returns the result or null after the
// failure messages; ids must be decimal integers.
PGresult* selectRules(PGconn* connection, const char* sourceId);
PGresult* selectStaging(PGconn* connection, const char* dbId);
PGresult* selectArchives(PGconn* connection, const char* ruleId);
PGresult* selectWorkingTimes(PGconn* connection, const char* sourceId);

// A copy of `text` escaped for a '...' literal by PQescapeStringConn, or
// null after a message when the text is not valid in the session's encoding.
char* escapeForStatement(PGconn* connection, const char* text);

}  // extern "C"
