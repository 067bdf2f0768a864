// The route subcommand: the source lookup with the reason of each match, and
// the content the winner's container would get, by the routing module's own
// statements.
#include "route.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "capture.h"
#include "config_launcher.h"
#include "report.h"
#include "routing.h"
#include "system.h"
#include "text_encoding.h"

namespace tarvo_check {

namespace {

typedef std::vector<std::string> Row;

// A database text (UTF-8) in the platform's encoding, the one the report
// prints; a text the ANSI code page cannot hold stays as it came.
std::string fromDb(const char* text) {
    char* converted = utf8ToPlatform(text);
    const std::string result = converted != nullptr ? converted : text;
    free(converted);
    return result;
}

std::vector<Row> rowsOf(PGresult* result) {
    std::vector<Row> rows;
    for (int row = 0; result != nullptr && row < PQntuples(result); ++row) {
        Row values;
        for (int column = 0; column < PQnfields(result); ++column) {
            values.push_back(fromDb(PQgetvalue(result, row, column)));
        }
        rows.push_back(values);
    }
    PQclear(result);
    return rows;
}

struct Match {
    Row source;  // id, priority, timeout, alias, specificity
    std::vector<std::string> reasons;
};

// Why a pattern row matched: for each of sender, destination and host, any
// value (NULL), the value exactly, or the value by a regular expression.
std::vector<std::string> reasonsOf(PGresult* result, int row) {
    static const char* const kNames[] = {"sender", "destination", "host"};
    const bool regex = strcmp(PQgetvalue(result, row, 8), "t") == 0;
    std::vector<std::string> reasons;
    for (int i = 0; i < 3; ++i) {
        if (PQgetisnull(result, row, 5 + i)) {
            reasons.push_back(std::string("any ") + kNames[i]);
        } else {
            reasons.push_back(std::string(kNames[i]) + (regex ? " by regular expression '" : " exactly '") +
                              fromDb(PQgetvalue(result, row, 5 + i)) + "'");
        }
    }
    return reasons;
}

struct Content {
    std::vector<Row> rules;
    std::vector<std::pair<std::string, std::vector<Row>>> staging;   // rule id, its staging rows
    std::vector<std::pair<std::string, std::vector<Row>>> archives;  // rule id, its archives
    std::vector<Row> workingTimes;
};

// What container creation would copy for `sourceId`, by the same statements
// and the same classification of rules.
Content contentOf(PGconn* connection, const char* sourceId) {
    Content content;
    PGresult* rules = selectRules(connection, sourceId);
    const int dbColumn = rules != nullptr ? PQfnumber(rules, "imp_database") : -1;
    for (int row = 0; rules != nullptr && row < PQntuples(rules); ++row) {
        std::vector<const char*> values;
        for (int column = 0; column < PQnfields(rules); ++column) values.push_back(PQgetvalue(rules, row, column));
        const int kind = ruleKind(values.data(), (int)values.size());
        const std::string ruleId = values[0];
        if ((kind & RULE_STAGING) && dbColumn >= 0 && isDecimalInteger(values[dbColumn])) {
            content.staging.emplace_back(ruleId, rowsOf(selectStaging(connection, values[dbColumn])));
        }
        if (kind != 0 && isDecimalInteger(values[0])) {
            content.archives.emplace_back(ruleId, rowsOf(selectArchives(connection, values[0])));
        }
    }
    content.rules = rowsOf(rules);
    content.workingTimes = rowsOf(selectWorkingTimes(connection, sourceId));
    return content;
}

std::string joined(const Row& row, const char* separator) {
    std::string out;
    for (size_t i = 0; i < row.size(); ++i) out += (i > 0 ? separator : "") + row[i];
    return out;
}

std::string jsonRows(const std::vector<Row>& rows) {
    std::string out = "[";
    for (size_t i = 0; i < rows.size(); ++i) {
        out += i > 0 ? ", [" : "[";
        for (size_t j = 0; j < rows[i].size(); ++j) out += (j > 0 ? ", " : "") + jsonString(rows[i][j]);
        out += "]";
    }
    return out + "]";
}

std::string jsonPerRule(const std::vector<std::pair<std::string, std::vector<Row>>>& perRule) {
    std::string out = "{";
    for (size_t i = 0; i < perRule.size(); ++i) {
        out += (i > 0 ? ", " : "") + jsonString(perRule[i].first) + ": " + jsonRows(perRule[i].second);
    }
    return out + "}";
}

void printJson(const std::string& query, const std::vector<Match>& matches, const Content& content,
               const std::string& said) {
    std::string out = "{\"query\": " + jsonString(query) + ", \"matches\": [";
    for (size_t i = 0; i < matches.size(); ++i) {
        const Row& s = matches[i].source;
        out += (i > 0 ? ",\n  " : "\n  ") + std::string("{\"id\": ") + jsonString(s[0]) +
               ", \"priority\": " + jsonString(s[1]) + ", \"timeout\": " + jsonString(s[2]) +
               ", \"alias\": " + jsonString(s[3]) + ", \"specificity\": " + s[4] + ", \"reasons\": [";
        for (size_t j = 0; j < matches[i].reasons.size(); ++j) {
            out += (j > 0 ? ", " : "") + jsonString(matches[i].reasons[j]);
        }
        out += "]}";
    }
    out += "],\n\"winner\": " + (matches.empty() ? std::string("null") : jsonString(matches[0].source[0]));
    if (!matches.empty()) {
        out += ",\n\"rules\": " + jsonRows(content.rules) + ",\n\"staging\": " + jsonPerRule(content.staging) +
               ",\n\"archives\": " + jsonPerRule(content.archives) +
               ",\n\"workingTimes\": " + jsonRows(content.workingTimes);
    }
    out += ",\n\"details\": " + jsonString(said) + "}\n";
    fputs(out.c_str(), stdout);
}

void printText(const std::string& query, const std::vector<Match>& matches, const Content& content,
               const std::string& said) {
    printf("sources matching %s, ranked as the lookup ranks them:\n", query.c_str());
    if (matches.empty()) printf("  none\n");
    for (size_t i = 0; i < matches.size(); ++i) {
        const Row& s = matches[i].source;
        printf("  %zu. source %s '%s' (priority %s, timeout %s, specificity %s): %s\n", i + 1, s[0].c_str(),
               s[3].c_str(), s[1].c_str(), s[2].empty() ? "NULL" : s[2].c_str(), s[4].c_str(),
               joined(matches[i].reasons, ", ").c_str());
    }
    if (matches.empty()) {
        printf("winner: none (no container would be made)\n");
    } else {
        printf("winner: source %s '%s'\n", matches[0].source[0].c_str(), matches[0].source[3].c_str());
        printf("its container would get %zu rules (rules.db):\n", content.rules.size());
        for (const Row& rule : content.rules) printf("  %s\n", joined(rule, " | ").c_str());
        for (const auto& staging : content.staging) {
            printf("  staging of rule %s (%s_import.db): %zu rows\n", staging.first.c_str(), staging.first.c_str(),
                   staging.second.size());
            for (const Row& row : staging.second) printf("    %s\n", joined(row, " | ").c_str());
        }
        for (const auto& archives : content.archives) {
            printf("  archives of rule %s (%s_archiveinfo): %zu\n", archives.first.c_str(), archives.first.c_str(),
                   archives.second.size());
            for (const Row& row : archives.second) printf("    %s\n", joined(row, " | ").c_str());
        }
        printf("  working times (workingtimes.db): %zu\n", content.workingTimes.size());
        for (const Row& row : content.workingTimes) printf("    %s\n", joined(row, " - ").c_str());
    }
    if (!said.empty()) printf("routing said:\n%s\n", said.c_str());
}

}  // namespace

int runRoute(const std::string& sender, const std::string& destination, const std::string& host, bool json) {
    // The arguments come in the platform's encoding; the session speaks UTF-8.
    char* values[3] = {platformToUtf8(sender.c_str()), platformToUtf8(destination.c_str()),
                       platformToUtf8(host.c_str())};
    const std::string query =
        "sender '" + sender + "', destination '" + destination + "', host '" + host + "'";
    std::vector<Match> matches;
    Content content;
    bool asked = false;
    std::string problem;
    const std::string said = !databaseClientLoads(getNativeDirectory(), &problem) ? problem : captured([&] {
        RoutingConfig* config = readRoutingConfig();
        PGconn* connection = config != nullptr && values[0] != nullptr && values[1] != nullptr && values[2] != nullptr
                                 ? connectRoutingDb(config)
                                 : nullptr;
        freeRoutingConfig(config);
        if (connection == nullptr) return;
        char* escaped[3] = {escapeForStatement(connection, values[0]), escapeForStatement(connection, values[1]),
                            escapeForStatement(connection, values[2])};
        char statement[SOURCE_LOOKUP_SQL_CAPACITY + 160];
        PGresult* sources = nullptr;
        if (escaped[0] != nullptr && escaped[1] != nullptr && escaped[2] != nullptr) {
            if (buildSourceLookupReasonSql(statement, escaped[0], escaped[1], escaped[2])) {
                sources = runSelect(connection, statement);
            } else {
                fprintf(stderr, "sender, destination and host too long to look up\n");
            }
        }
        for (char* text : escaped) free(text);
        asked = sources != nullptr;
        for (int row = 0; sources != nullptr && row < PQntuples(sources); ++row) {
            Match match;
            for (int column = 0; column < 5; ++column) match.source.push_back(fromDb(PQgetvalue(sources, row, column)));
            match.reasons = reasonsOf(sources, row);
            matches.push_back(match);
        }
        if (!matches.empty()) content = contentOf(connection, PQgetvalue(sources, 0, 0));
        PQclear(sources);
        PQfinish(connection);
    });
    for (char* text : values) free(text);
    if (!asked) {
        if (json) {
            printf("{\"query\": %s, \"error\": %s}\n", jsonString(query).c_str(), jsonString(said).c_str());
        } else {
            printf("could not look up %s:\n%s\n", query.c_str(), said.c_str());
        }
        return 2;
    }
    if (json) {
        printJson(query, matches, content, said);
    } else {
        printText(query, matches, content, said);
    }
    return matches.empty() ? 1 : 0;
}

}  // namespace tarvo_check
