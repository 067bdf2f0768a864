// The URL handlers: "tarvo:" and "morvint:" must open this launcher.
#include "checks.h"
#include "system.h"

namespace tarvo_check {

// The program of a command line: the first word, or the first quoted text.
static std::string programOf(const std::string& command) {
    if (!command.empty() && command[0] == '"') return command.substr(1, command.find('"', 1) - 1);
    return command.substr(0, command.find(' '));
}

void checkUrlHandlers(Report& report, const Installation& installation) {
#ifdef _WIN32
    const std::string registerHow = "Import tarvo-url-handler.reg of the installation (with its path) or reinstall.";
#else
    const std::string registerHow =
        "Install the package's desktop entry (tarvo-launcher.desktop, with Exec naming this launcher) and run "
        "update-desktop-database, or set it in mimeapps.list.";
#endif
    for (const std::string scheme : {"tarvo", "morvint"}) {
        const std::string name = "URL handler " + scheme;
        std::string command, where;
        if (!urlHandlerCommand(scheme, &command, &where)) {
            report.warn(name, "no handler registered (looked in " + where + ")", registerHow);
        } else if (samePath(programOf(command), installation.launcher)) {
            report.ok(name, "opens this launcher: " + command + " (" + where + ")");
        } else {
            report.warn(name, "opens " + quoted(programOf(command)) + ", not " + installation.launcher + " (" + where + ")",
                        registerHow);
        }
    }
}

}  // namespace tarvo_check
