// Helpers of the checks: key listings and the resemblance of unknown keys.
#include <string.h>

#include <algorithm>

#include "checks.h"
#include "paramfile.h"

namespace tarvo_check {

static std::string upper(std::string text) {
    for (char& c : text) c = (char)toupper((unsigned char)c);
    return text;
}

// Edit distance, for naming the key a typo most likely meant.
static size_t distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::vector<std::string> unknownKeys(const char* table, const std::vector<KnownKey>& known) {
    std::vector<std::string> unknown;
    for (const char* line = table; *line != PARAMETER_TABLE_END; line += strlen(line) + 1) {
        // A key ends where getpara stops comparing: a blank or a separator.
        const std::string key(line, strcspn(line, " \t:="));
        if (key.empty()) continue;
        std::string nearest;
        size_t best = (size_t)-1;
        bool found = false;
        for (const KnownKey& name : known) {
            if (upper(key) == name.name) found = true;
            const size_t d = distance(upper(key), name.name);
            if (d < best) best = d, nearest = name.name;
        }
        if (found) continue;
        unknown.push_back(best <= 3 ? key + " (did you mean " + nearest + "?)" : key);
    }
    return unknown;
}

std::string keyListing(const char* table, const std::vector<KnownKey>& known) {
    std::string out;
    for (const KnownKey& key : known) {
        const char* value = table != nullptr ? getpara(table, key.name.c_str()) : nullptr;
        out += key.name + " = ";
        if (value != nullptr) {
            out += value;
        } else {
            out += key.defaultValue != nullptr ? std::string(key.defaultValue) + " (default)" : "(not set, default)";
        }
        out += "\n";
    }
    return out;
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace tarvo_check
