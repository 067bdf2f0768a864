// Builds connection strings from arbitrary values and checks that libpq's
// own parser reads every value back exactly, with no keyword added.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <array>
#include <string>
#include <vector>

#include "routing.h"

// The input's NUL-separated parts: database, host, user, password.
static std::vector<std::string> partsOf(const uint8_t* data, size_t size) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size && parts.size() <= 4; ++i) {
        if (data[i] == '\0') {
            parts.emplace_back();
        } else {
            parts.back() += (char)data[i];
        }
    }
    parts.resize(4);
    return parts;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> parts = partsOf(data, size);
    RoutingConfig config{"", parts[0].data(), parts[1].data(), (int32_t)size, parts[2].data(), parts[3].data(),
                         0, nullptr, nullptr, nullptr, 0};
    char* conninfo = buildConnectionString(&config);
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo, &error);
    if (options == nullptr) abort();  // the string must always parse

    std::vector<std::array<std::string, 2>> expected = {{"dbname", parts[0]}, {"host", parts[1]},
                                                        {"port", std::to_string(size)}, {"user", parts[2]},
                                                        {"password", parts[3]}};
    // A host list asks for a writable server.
    if (parts[1].find(',') != std::string::npos) expected.push_back({"target_session_attrs", "read-write"});
    size_t set = 0;
    for (PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
        if (option->val == nullptr) continue;
        ++set;
        bool known = false;
        for (const auto& [keyword, value] : expected) {
            if (strcmp(option->keyword, keyword.c_str()) != 0) continue;
            if (value != option->val) abort();
            known = true;
        }
        if (!known) abort();
    }
    if (set != expected.size()) abort();
    PQconninfoFree(options);
    PQfreemem(error);
    free(conninfo);
    return 0;
}
