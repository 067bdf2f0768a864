// The check report as text and as JSON.
#include "report.h"

#include <stdio.h>
#include <stdlib.h>

#include "text_encoding.h"

namespace tarvo_check {

const char* statusName(Status status) { return status == kOk ? "ok" : status == kWarn ? "warn" : "FAIL"; }

void Report::ok(const std::string& name, const std::string& found, const std::string& details) {
    lines_.push_back({name, kOk, found, "", details});
}
void Report::warn(const std::string& name, const std::string& found, const std::string& advice,
                  const std::string& details) {
    lines_.push_back({name, kWarn, found, advice, details});
}
void Report::fail(const std::string& name, const std::string& found, const std::string& advice,
                  const std::string& details) {
    lines_.push_back({name, kFail, found, advice, details});
}

int Report::exitCode() const {
    int code = 0;
    for (const CheckLine& line : lines_) code = line.status > code ? line.status : code;
    return code;
}

// Every line of `text` indented by `prefix`; a last line end is not doubled.
static std::string indented(const std::string& text, const std::string& prefix) {
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out += prefix + text.substr(start, end - start) + "\n";
        start = end + 1;
    }
    return out;
}

std::string Report::text() const {
    std::string out;
    for (const CheckLine& line : lines_) {
        std::string status = statusName(line.status);
        status.resize(6, ' ');
        out += status + line.name + ": " + line.found + "\n";
        if (!line.advice.empty()) out += indented(line.advice, "      -> ");
        if (!line.details.empty()) out += indented(line.details, "      | ");
    }
    return out;
}

std::string jsonString(const std::string& text) {
    // Texts come in the platform's encoding; bytes that are not valid there
    // are kept visible as \u00XX rather than dropped.
    char* utf8 = platformToUtf8(text.c_str());
    const std::string source = utf8 != nullptr ? utf8 : text;
    const bool valid = utf8 != nullptr;
    free(utf8);
    std::string out = "\"";
    for (unsigned char c : source) {
        char escape[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += (char)c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f || (!valid && c >= 0x80)) {
            snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += (char)c;
        }
    }
    return out + "\"";
}

std::string Report::json() const {
    const int code = exitCode();
    std::string out = "{\"result\": " + jsonString(statusName((Status)code)) +
                      ", \"exitCode\": " + std::to_string(code) + ", \"checks\": [";
    for (size_t i = 0; i < lines_.size(); ++i) {
        const CheckLine& line = lines_[i];
        out += i == 0 ? "\n  " : ",\n  ";
        out += "{\"name\": " + jsonString(line.name) + ", \"status\": " + jsonString(statusName(line.status)) +
               ", \"found\": " + jsonString(line.found) + ", \"advice\": " + jsonString(line.advice) +
               ", \"details\": " + jsonString(line.details) + "}";
    }
    return out + "\n]}\n";
}

}  // namespace tarvo_check
