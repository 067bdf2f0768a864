// The report of TarvoCheck: one line per check (ok, warn or FAIL, what was
// found, what to do), printed as text or as one JSON document.
#pragma once

#include <string>
#include <vector>

namespace tarvo_check {

enum Status { kOk, kWarn, kFail };

struct CheckLine {
    std::string name;    // what was checked, e.g. "java"
    Status status;
    std::string found;   // what was found, one sentence or a short list
    std::string advice;  // for anything not ok: what to do
    std::string details; // more of what was found, and what the product's own code wrote
};

class Report {
public:
    void ok(const std::string& name, const std::string& found, const std::string& details = "");
    void warn(const std::string& name, const std::string& found, const std::string& advice,
              const std::string& details = "");
    void fail(const std::string& name, const std::string& found, const std::string& advice,
              const std::string& details = "");
    void add(CheckLine line) { lines_.push_back(std::move(line)); }

    const std::vector<CheckLine>& lines() const { return lines_; }
    // 0 when every line is ok, 1 when one warns, 2 when one fails.
    int exitCode() const;

    // Lines "ok    name: found", then the advice and what the code said,
    // indented below.
    std::string text() const;
    // {"result": "ok"|"warn"|"FAIL", "exitCode": n, "checks": [...]}. Texts
    // are converted from the platform's encoding to UTF-8 and escaped.
    std::string json() const;

private:
    std::vector<CheckLine> lines_;
};

const char* statusName(Status status);

// `text` as a JSON string (quotes included), from the platform's encoding.
std::string jsonString(const std::string& text);

}  // namespace tarvo_check
