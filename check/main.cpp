// TarvoCheck: the administrator's self-check of a desk, and the explanation
// of where a sender's data goes.
//
//   TarvoCheck [--home DIR] [--json]
//   TarvoCheck [--home DIR] [--json] route SENDER DESTINATION HOST
//
// Exit code: 0 all ok, 1 something warns, 2 something fails (route: 0 a
// source wins, 1 none matches, 2 the database cannot be asked); 3 for a
// wrong command line.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#endif

#include "checks.h"
#include "launcher_platform.h"
#include "route.h"
#include "system.h"
#include "utilglobal.h"

using namespace tarvo_check;

namespace {

const char kUsage[] =
    "usage: TarvoCheck [--home DIR] [--json]\n"
    "       TarvoCheck [--home DIR] [--json] route SENDER DESTINATION HOST\n"
    "Checks the installation in DIR (default: the folder of TarvoCheck) as its launcher and its library would\n"
    "use it; with route, shows which source of the routing database a sender's data goes to.\n";

// The folder of this program: the installation's, when it was started from
// there.
std::string ownFolder() {
    char* executable = ownExecutablePath();
    const std::string path = executable != nullptr ? executable : "";
    free(executable);
    const size_t separator = path.rfind(kPathSeparator);
    return separator != std::string::npos ? path.substr(0, separator) : ".";
}

void setTarvoHome(const std::string& home) {
#ifdef _WIN32
    _putenv_s("TARVO", home.c_str());
#else
    setenv("TARVO", home.c_str(), 1);
#endif
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
    signal(SIGPIPE, SIG_IGN);
#endif
    std::string home;
    bool json = false;
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--json") {
            json = true;
        } else if (argument == "--home" && i + 1 < argc) {
            home = argv[++i];
        } else if (argument == "--help" || argument == "-h") {
            fputs(kUsage, stdout);
            return 0;
        } else {
            words.push_back(argument);
        }
    }
    const bool route = !words.empty() && words[0] == "route";
    if ((route && words.size() != 4) || (!route && !words.empty())) {
        fputs(kUsage, stderr);
        return 3;
    }

    // The installation folder is the launcher's folder; a home given on the
    // command line is the home routing reads too (as TARVO names it).
    if (home.empty()) {
        home = ownFolder();
    } else {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(home, error);
        if (!error) home = absolute.string();
        while (home.size() > 1 && home.back() == kPathSeparator) home.pop_back();
        setTarvoHome(home);
    }
    changeCurrentFolder(home.c_str());
    const Installation installation{home, home + kPathSeparator + kLauncherFile};

    if (route) {
        useLauncherPath(installation);
        return runRoute(words[1], words[2], words[3], json);
    }

    Report report;
    report.ok("installation", home + " (routing home " + getTarvoHome() + ")");
    checkLauncherConfig(report, installation);
    std::string library;
    checkJava(report, &library);
    checkNativeFolder(report, library);
    checkRoutingConfig(report);
    checkDatabase(report);
    checkContainerFolder(report);
    checkAutorouter(report);
    checkUrlHandlers(report, installation);
    checkLog(report);
    const std::string out = json ? report.json() : report.text();
    fputs(out.c_str(), stdout);
    fflush(stdout);
    return report.exitCode();
}
