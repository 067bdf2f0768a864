// Container creation: the container directory for the first row of a source
// result, the copies of the source's rules, staging targets, archives and
// working times, its source data, the import info, the "log" row and the
// "init" notification of the autorouter service.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "heap_text.h"
#include "hostid.h"
#include "routing.h"

static const char kRulesSql[] =
    "SELECT id, action, options, maxcount, sleeptime, break, failedrule, okrule, imp_database, timeout, "
    "maxparallel, copyfailed2failed, max_images, max_duration FROM act_rules WHERE source=%s;";
static const char kOldRulesSql[] =
    "SELECT id, action, options, maxcount, sleeptime, break, failedrule, okrule, imp_database, timeout, "
    "maxparallel, copyfailed2failed FROM act_rules WHERE source=%s;";
static const char kStagingSql[] =
    "SELECT db_id, db_name, db_host, imported, modality, method, rate, id, parentid, archivepath, qualitylayers, "
    "progressionorder, sequence FROM act_staging WHERE db_id=%s and days=0 order by sequence, imported, "
    "modality;";
static const char kOldStagingSql[] =
    "SELECT db_id, db_name, db_host, imported, modality, method, rate, id, parentid, archivepath FROM "
    "act_staging WHERE db_id=%s and days=0 order by imported, modality;";
static const char kOldestStagingSql[] =
    "SELECT db_id, db_name, db_host, imported, modality, method, rate FROM act_staging WHERE db_id=%s and "
    "days=0 order by imported, modality;";
static const char kArchivesSql[] =
    "select a.id, a.archivetype, a.alias from archives a, rules r, relarchivesactions rel where (r.action = "
    "rel.action_id) and (rel.archives_id = a.id) and (r.id=%s)";
static const char kWorkingTimesSql[] = "SELECT starttime, endtime FROM source_times WHERE source_id=%s;";
static const char kLogInsertSql[] =
    "INSERT INTO log (container, logsource, message) values ('%s','LIBROUTING','newcontainer\t%s\t%s\t%s');";

// Database values go into these statements unquoted; only integers may.
static bool isNumber(const char* value, const char* column) {
    if (isDecimalInteger(value)) return true;
    fprintf(stderr, "value '%s' of column %s is not a number, not put into a statement\n", value, column);
    return false;
}

// Formats a statement around one value and runs it as a SELECT; `announce`
// writes "Query string" first in debug mode.
static PGresult* selectWith(PGconn* connection, const char* format, const char* value, bool announce) {
    char* statement = formatText(format, value);
    if (statement == nullptr) return nullptr;
    if (announce) routingDebugLog("Query string: %s\n", statement);
    PGresult* result = runSelect(connection, statement);
    free(statement);
    return result;
}

// The values of one row; NULL fields read as empty texts.
static std::vector<const char*> rowValues(PGresult* result, int row) {
    std::vector<const char*> values((size_t)PQnfields(result));
    for (size_t i = 0; i < values.size(); ++i) values[i] = PQgetvalue(result, row, (int)i);
    return values;
}

static void writeRows(ContainerFile* file, PGresult* result) {
    for (int row = 0; row < PQntuples(result); ++row) {
        const std::vector<const char*> values = rowValues(result, row);
        writeFieldLine(file, values.data(), (int)values.size());
    }
}

// Opens "<directory>/<rule id>_<suffix>".
static bool openRuleFile(ContainerFile* file, const char* directory, const char* ruleId, const char* suffix,
                         const char* kind) {
    char* name = formatText("%i_%s", atoi(ruleId), suffix);
    const bool opened = name != nullptr && openContainerFile(file, directory, name, kind, 0);
    free(name);
    return opened;
}

PGresult* selectRules(PGconn* connection, const char* sourceId) {
    PGresult* rules = selectWith(connection, kRulesSql, sourceId, false);
    if (rules != nullptr) return rules;
    fprintf(stderr, "Trying old style of act_rules columns.\n");
    return selectWith(connection, kOldRulesSql, sourceId, true);
}

PGresult* selectStaging(PGconn* connection, const char* dbId) {
    PGresult* staging = selectWith(connection, kStagingSql, dbId, true);
    if (staging != nullptr) return staging;
    fprintf(stderr, "Trying old style of act_staging columns.\n");
    char* statement = formatText(kOldStagingSql, dbId);
    if (statement != nullptr) fprintf(stderr, "Query string: %s\n", statement);
    free(statement);
    if ((staging = selectWith(connection, kOldStagingSql, dbId, true)) != nullptr) return staging;
    fprintf(stderr, "Trying old style of act_staging columns.\n");
    return selectWith(connection, kOldestStagingSql, dbId, true);
}

PGresult* selectArchives(PGconn* connection, const char* ruleId) {
    return selectWith(connection, kArchivesSql, ruleId, true);
}

PGresult* selectWorkingTimes(PGconn* connection, const char* sourceId) {
    return selectWith(connection, kWorkingTimesSql, sourceId, false);
}

// The import file of a staging rule. False when creation must stop.
static bool writeStagingFile(PGconn* connection, const char* directory, PGresult* rules, int row) {
    const int column = PQfnumber(rules, "imp_database");
    if (column < 0) {
        fprintf(stderr, "column 'imp_database' not found in view, can't write staging file!");
        return true;
    }
    ContainerFile file;
    if (!openRuleFile(&file, directory, PQgetvalue(rules, row, 0), "import.db", "importfile")) return false;
    const char* dbId = PQgetvalue(rules, row, column);
    PGresult* staging = isNumber(dbId, "imp_database") ? selectStaging(connection, dbId) : nullptr;
    const bool found = staging != nullptr;
    if (found) {
        routingDebugLog("staging Count: %i\n", PQntuples(staging));
        writeRows(&file, staging);
        PQclear(staging);
    }
    return closeContainerFile(&file) && found;
}

// The archive file of a staging or archive-only rule, when it has archives.
// A failed statement only skips the file; false when creation must stop.
static bool writeArchiveFile(PGconn* connection, const char* directory, const char* ruleId) {
    if (!isNumber(ruleId, "id")) return true;
    PGresult* archives = selectArchives(connection, ruleId);
    if (archives == nullptr) return true;
    const int count = PQntuples(archives);
    routingDebugLog("archive Count: %i\n", count);
    bool written = true;
    ContainerFile file;
    if (count > 0 && (written = openRuleFile(&file, directory, ruleId, "archiveinfo", "archivefile"))) {
        for (int row = 0; row < count; ++row) {
            const std::vector<const char*> values = rowValues(archives, row);
            writeValuesLine(&file, values.data(), 3, 0, "a database value");
        }
        written = closeContainerFile(&file);
    }
    PQclear(archives);
    return written;
}

// rules.db with one line per rule, and the import and archive files of the
// staging and archive-only rules. Sets *hasImport for a staging rule.
static bool writeRuleFiles(PGconn* connection, const char* directory, const char* sourceId, bool* hasImport) {
    PGresult* rules = selectRules(connection, sourceId);
    if (rules == nullptr) return false;
    const int count = PQntuples(rules);
    routingDebugLog("Rule Count: %i\n", count);
    ContainerFile file;
    const bool opened = openContainerFile(&file, directory, "rules.db", "rulefile", 0);
    bool written = opened;
    for (int row = 0; written && row < count; ++row) {
        const std::vector<const char*> values = rowValues(rules, row);
        writeFieldLine(&file, values.data(), (int)values.size());
        const int kind = ruleKind(values.data(), (int)values.size());
        if (kind & RULE_STAGING) {
            *hasImport = true;
            written = writeStagingFile(connection, directory, rules, row);
        }
        if (written && kind != 0) written = writeArchiveFile(connection, directory, values[0]);
    }
    if (opened && !closeContainerFile(&file)) written = false;
    PQclear(rules);
    return written;
}

// workingtimes.db when the source has working times. A failed statement
// only leaves the file out; false when the file cannot be created.
static bool writeWorkingTimes(PGconn* connection, const char* directory, const char* sourceId) {
    PGresult* times = selectWorkingTimes(connection, sourceId);
    if (times == nullptr) return true;
    const int count = PQntuples(times);
    routingDebugLog("runtime Count: %i\n", count);
    bool written = true;
    ContainerFile file;
    if (count > 0 && (written = openContainerFile(&file, directory, "workingtimes.db", "runtimefile", 0))) {
        writeRows(&file, times);
        written = closeContainerFile(&file);
    }
    PQclear(times);
    return written;
}

static bool standardStrings(PGconn* connection) {
    const char* setting = PQparameterStatus(connection, "standard_conforming_strings");
    return setting == nullptr || strcmp(setting, "off") != 0;
}

// dbImport.info, when configured now and the container has staging rules.
// Its statement is run elsewhere: its values are escaped by the rules of
// this session, the routing database's own.
static bool writeImportInfo(PGconn* connection, const char* dataDirectory, bool hasImport, const char* sender,
                            const char* destination, const char* senderHost) {
    RoutingConfig* config = readRoutingConfig();
    if (config == nullptr) return false;
    bool written = true;
    if (config->writeImportInfo && hasImport) {
        const bool standard = standardStrings(connection);
        char* uniqueId = getUniqueId();
        char* values[3] = {escapeSqlText(destination, standard), escapeSqlText(sender, standard),
                           escapeSqlText(senderHost, standard)};
        written = uniqueId != nullptr && values[0] != nullptr && values[1] != nullptr && values[2] != nullptr &&
                  writeImportInfoFile(dataDirectory, uniqueId, values[0], values[1], values[2]);
        for (char* value : values) free(value);
        free(uniqueId);
    }
    freeRoutingConfig(config);
    return written;
}

// The "log" row of a new container: its name and a TAB-separated message.
static bool insertLogRow(PGconn* connection, const char* name, const char* sender, const char* destination,
                         const char* senderHost) {
    char* values[4] = {escapeForStatement(connection, name), escapeForStatement(connection, sender),
                       escapeForStatement(connection, destination), escapeForStatement(connection, senderHost)};
    char* statement = nullptr;
    if (values[0] != nullptr && values[1] != nullptr && values[2] != nullptr && values[3] != nullptr) {
        statement = formatText(kLogInsertSql, values[0], values[1], values[2], values[3]);
    }
    for (char* value : values) free(value);
    const bool inserted = statement != nullptr && runCommand(connection, statement);
    free(statement);
    return inserted;
}

// Everything of a container below its directory; the data directory path,
// or null. The caller removes the directory after a failure.
static char* fillContainer(PGconn* connection, const char* sourceId, const char* name, const char* container,
                           const char* sender, const char* destination, const char* senderHost, int writeLog) {
    bool hasImport = false;
    if (!writeRuleFiles(connection, container, sourceId, &hasImport)) return nullptr;
    if (!writeWorkingTimes(connection, container, sourceId)) return nullptr;
    // A container may do without source data that cannot be created (the
    // service then knows no sender), but a file begun and not finished means
    // a failing disk: no container then.
    if (writeSourceDataFile(container, destination, sender, senderHost, 0, nullptr) < 0) return nullptr;
    char* data = formatText("%s/%s", container, "data");
    if (data == nullptr || !createContainerFolder(data) ||
        !writeImportInfo(connection, data, hasImport, sender, destination, senderHost) ||
        (writeLog && !insertLogRow(connection, name, sender, destination, senderHost))) {
        free(data);
        return nullptr;
    }
    return data;
}

char* createContainer(PGconn* connection, PGresult* source, const char* name, int processId, const char* sender,
                      const char* destination, const char* senderHost, int writeLog, const char* containerDir) {
    const int count = PQntuples(source);
    routingDebugLog("returned %d typles\n", count);
    if (count == 0) return nullptr;
    routingDebugLog("getting the container \n");
    const char* sourceId = PQgetvalue(source, 0, 0);
    if (!isNumber(sourceId, "id")) return nullptr;
    // A line end would split sourcedata.db and the service's request.
    const char* lineEnd = sourceValueWithLineEnd(destination, sender, senderHost);
    if (lineEnd != nullptr) {
        fprintf(stderr, "Can't create container: %s holds a line end\n", lineEnd);
        return nullptr;
    }
    char* containerName = buildContainerName(sourceId, PQgetvalue(source, 0, 1),
                                             PQgetisnull(source, 0, 2) ? nullptr : PQgetvalue(source, 0, 2), name,
                                             processId);
    if (containerName == nullptr) return nullptr;
    char* container = createContainerDirectory(containerDir, containerName);
    char* data = nullptr;
    if (container != nullptr) {
        data = fillContainer(connection, sourceId, containerName, container, sender, destination, senderHost,
                             writeLog);
        // All or nothing: a container the service could find half made, or
        // one without its log row, is no container. The directory is this
        // call's own (it did not exist before), so all of it goes.
        if (data == nullptr) removeContainerDirectory(container);
    }
    free(container);
    free(containerName);
    // Announced last, when everything it announces exists.
    if (data != nullptr) signalAutorouterState(nullptr, 0, data, nullptr, CONTAINER_INIT);
    return data;
}
