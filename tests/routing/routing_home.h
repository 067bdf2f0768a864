// An installation home of a test's own: a temporary folder that TARVO names
// for as long as the object lives, with the "conf" folder of routing.conf.
#pragma once

#include <filesystem>
#include <string>

#include "test_support.h"

namespace tarvo_test {

class RoutingHome {
public:
    RoutingHome() {
        setEnv("TARVO", folder.str());
        std::filesystem::create_directory(folder.path() / "conf");
    }
    ~RoutingHome() { unsetEnv("TARVO"); }

    std::filesystem::path configFile() const { return folder.path() / "conf" / "routing.conf"; }
    void writeConfig(const std::string& text) const { writeFile(configFile(), text); }

    TempDir folder;
};

}  // namespace tarvo_test
