// The routing side of a desk: routing.conf, the routing database as the
// library's session sees it, the container folder with the disk guard, and
// the autorouter service.
#include <stdlib.h>
#include <string.h>

#include <filesystem>

#include "capture.h"
#include "checks.h"
#include "config_launcher.h"
#include "diskguard.h"
#include "lookups_platform.h"
#include "paramfile.h"
#include "routing.h"
#include "socket_platform.h"
#include "system.h"
#include "text_encoding.h"
#include "utilglobal.h"

namespace tarvo_check {

void checkRoutingConfig(Report& report) {
    const char* home = getTarvoHome();
    char* path = routingConfigPath(home);
    const std::string file = path != nullptr ? path : "";
    char* table = readpara(file.c_str());
    free(path);
    const std::vector<KnownKey> keys = knownKeys(kRoutingConfigKeys, kRoutingConfigKeyCount);
    if (table == nullptr) {
        report.warn("routing.conf", "not found at " + file + ": routing uses its defaults",
                    "Create conf/routing.conf in the installation home " + std::string(home) +
                        " (the TARVO variable names the home).",
                    keyListing(nullptr, keys));
    } else {
        report.ok("routing.conf", "read " + file, keyListing(table, keys));
        for (const std::string& key : unknownKeys(table, keys)) {
            report.warn("routing.conf key", "unknown key " + key + " in " + file,
                        "Correct or remove it: routing ignores keys it does not know.");
        }
        free(table);
    }
    // The reading the library makes, for the thresholds and the debug switch.
    freeRoutingConfig(readRoutingConfig());
}

static std::string value(PGresult* result, int row, int column) {
    return PQgetisnull(result, row, column) ? "" : PQgetvalue(result, row, column);
}

// TLS as the session has it: in use, and whether libpq checked the server's
// certificate (sslmode verify-ca or verify-full).
static void checkTls(Report& report, PGconn* connection) {
    std::string mode;
    PQconninfoOption* options = PQconninfo(connection);
    for (PQconninfoOption* option = options; option != nullptr && option->keyword != nullptr; ++option) {
        if (strcmp(option->keyword, "sslmode") == 0 && option->val != nullptr) mode = option->val;
    }
    PQconninfoFree(options);
    if (!PQsslInUse(connection)) {
        report.warn("database TLS", "the session is not encrypted (sslmode " + mode + ")",
                    "Turn TLS on at the server and set DB_SSLMODE = verify-full with DB_SSLROOTCERT in "
                    "routing.conf.");
        return;
    }
    const char* protocol = PQsslAttribute(connection, "protocol");
    const std::string tls = std::string("encrypted with ") + (protocol != nullptr ? protocol : "TLS");
    if (mode == "verify-ca" || mode == "verify-full") {
        report.ok("database TLS", tls + ", server verified (sslmode " + mode + ")");
    } else {
        report.warn("database TLS", tls + ", but the server is not verified (sslmode " + mode + ")",
                    "Set DB_SSLMODE = verify-full and DB_SSLROOTCERT to the CA certificate of the server in "
                    "routing.conf.");
    }
}

// The role's privileges on each table, by the server's own functions.
static void checkPrivileges(Report& report, PGconn* connection, const std::string& user) {
    std::string missing, found, said;
    for (int i = 0; i < kRoutingTableNeedCount; ++i) {
        const RoutingTableNeed& need = kRoutingTableNeeds[i];
        std::string privileges = need.privileges;
        for (size_t start = 0; start < privileges.size();) {
            size_t end = privileges.find(',', start);
            if (end == std::string::npos) end = privileges.size();
            const std::string privilege = privileges.substr(start, end - start);
            start = end + 1;
            const std::string statement = std::string("SELECT to_regclass('") + need.table +
                                          "') IS NOT NULL, CASE WHEN to_regclass('" + need.table +
                                          "') IS NULL THEN false ELSE has_table_privilege('" + need.table + "', '" +
                                          privilege + "') END";
            PGresult* result = nullptr;
            said += captured([&] { result = runSelect(connection, statement.c_str()); });
            if (result == nullptr || PQntuples(result) != 1) {
                missing += std::string(missing.empty() ? "" : ", ") + need.table + " (could not ask)";
            } else if (value(result, 0, 0) != "t") {
                missing += std::string(missing.empty() ? "" : ", ") + "table " + need.table + " (does not exist)";
                start = privileges.size();
            } else if (value(result, 0, 1) != "t") {
                missing += (missing.empty() ? "" : ", ") + privilege + " on " + need.table;
            } else {
                found += privilege + " on " + need.table + "\n";
            }
            PQclear(result);
        }
    }
    if (missing.empty()) {
        report.ok("database privileges", "role " + user + " has every privilege routing needs", found);
    } else {
        report.fail("database privileges", "role " + user + " lacks " + missing,
                    "As the database's owner: GRANT each of them TO " + user +
                        " (SELECT on the routing tables; INSERT, UPDATE and SELECT on log).",
                    found + said);
    }
}

// The columns of `table` among `names`, by the server's catalogue.
static int columnsPresent(PGconn* connection, const char* table, const char* names) {
    const std::string statement = std::string("SELECT count(*) FROM pg_attribute WHERE attrelid = to_regclass('") +
                                  table + "') AND attnum > 0 AND NOT attisdropped AND attname IN (" + names + ")";
    PGresult* result = nullptr;
    captured([&] { result = runSelect(connection, statement.c_str()); });
    const int count = result != nullptr && PQntuples(result) == 1 ? atoi(PQgetvalue(result, 0, 0)) : -1;
    PQclear(result);
    return count;
}

// Which of the described layouts of act_rules and act_staging the database
// has: routing tries the newest statements first and falls back to these.
static void checkLayouts(Report& report, PGconn* connection) {
    const int rulesNew = columnsPresent(connection, "act_rules", "'max_images','max_duration'");
    const int stagingNew =
        columnsPresent(connection, "act_staging", "'qualitylayers','progressionorder','sequence'");
    const int stagingMiddle = columnsPresent(connection, "act_staging", "'id','parentid','archivepath'");
    const std::string rules = rulesNew == 2 ? "act_rules in the newest form (14 columns)"
                                            : "act_rules in the older form (12 columns, no max_images, max_duration)";
    const std::string staging = stagingNew == 3      ? "act_staging in the newest form (13 columns)"
                                : stagingMiddle == 3 ? "act_staging in the older 10-column form"
                                                     : "act_staging in the oldest 7-column form";
    report.ok("database layout", rules + "; " + staging,
              rulesNew == 2 && stagingNew == 3 ? "" : "routing falls back to the older statements for these, "
                                                      "with a \"Trying old style\" message each time");
}

void checkDatabase(Report& report) {
    std::string problem;
    if (!databaseClientLoads(getNativeDirectory(), &problem)) {
        report.fail("database", problem,
                    "Install libpq.dll into the native folder beside tarvoUtils.dll; no routing works without it.");
        return;
    }
    RoutingConfig* config = readRoutingConfig();
    if (config == nullptr) return;
    const std::string target = std::string(config->dbName) + " on " + config->dbHost + ":" +
                               std::to_string(config->dbPort) + " as " + config->dbUser;
    PGconn* connection = nullptr;
    const std::string said = captured([&] { connection = connectRoutingDb(config); });
    if (connection == nullptr) {
        report.fail("database", target + " is not reachable",
                    "Check DB_HOST, DB_PORT, DB_NAME and DB_USER in routing.conf, that the server runs and that "
                    "it accepts this machine and role (pg_hba.conf).",
                    said);
    } else {
        const char* version = PQparameterStatus(connection, "server_version");
        report.ok("database", "connected to " + target + ", PostgreSQL " + (version != nullptr ? version : "?"),
                  said);
        checkTls(report, connection);
        checkPrivileges(report, connection, config->dbUser);
        checkLayouts(report, connection);
        PQfinish(connection);
    }
    freeRoutingConfig(config);
}

void checkContainerFolder(Report& report) {
    char* directory = readContainerDirectory();
    if (directory == nullptr) return;
    const std::string folder = directory;
    free(directory);
    if (!isFolder(folder.c_str())) {
        report.fail("container folder", quoted(folder) + " does not exist",
                    "Create it (CONTAINER_DIR in routing.conf): while it is missing, routing refuses every "
                    "container with \"disk space too low\".");
        return;
    }
    if (!folderTakesFiles(folder)) {
        report.fail("container folder", quoted(folder) + " exists but this user cannot create files in it",
                    "Give the users of the viewer the right to create folders and files there.");
        return;
    }
    char* utf8 = platformToUtf8(folder.c_str());
    int64_t freeKb = 0;
    int guard = DISK_SPACE_EXHAUSTED;
    const std::string said = captured([&] {
        freeKb = getDiskFreeKByte(utf8);
        guard = checkDiskSpace(utf8, 0, 0);
    });
    free(utf8);
    const int32_t hard = diskFreeSizeMb, slow = diskSlowerSizeMb;
    const std::string space = quoted(folder) + " writable, " + std::to_string((long long)(freeKb / 1024)) +
                              " MB free (limits: refuse below " + std::to_string(hard) + " MB, slow down below " +
                              std::to_string(slow) + " MB), the disk guard answers " + std::to_string(guard);
    if (guard == DISK_SPACE_EXHAUSTED) {
        report.fail("container folder", space + ": routing refuses containers now",
                    "Free space on the volume or lower DISK_FREE_SIZE_MB in routing.conf.", said);
    } else if (freeKb / 1024 < slow) {
        report.warn("container folder", space + ": receivers are slowed down",
                    "Free space on the volume or lower DISK_SLOWER_SIZE_MB in routing.conf.", said);
    } else {
        report.ok("container folder", space, said);
    }
}

void checkAutorouter(Report& report) {
    prepareSockets();
    uint32_t address = 0;
    parseDottedAddress("127.0.0.1", &address);
    const SocketHandle socket = openStreamSocket();
    const int error = socket != kNoSocket ? connectIPv4(socket, address, 7375) : -1;
    if (socket != kNoSocket) closeSocket(socket);
    if (error == 0) {
        report.ok("autorouter service", "something accepts on 127.0.0.1:7375 (connected, nothing sent)");
    } else {
        report.warn("autorouter service", "nothing accepts on 127.0.0.1:7375 (error " + std::to_string(error) + ")",
                    "Start the autorouter service: containers are still made, but nobody is told of them.");
    }
}

}  // namespace tarvo_check
