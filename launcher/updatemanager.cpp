// The update manager: found through the stored environment value
// "tarvo-updatemanager" of the user, then of the machine, else in its default
// folder; started with the viewer's start record.
#include "updatemanager.h"

#include <stdlib.h>
#include <string.h>

#include "capturepipe.h"
#include "config_launcher.h"
#include "launcher_platform.h"
#include "processrunning.h"
#include "heap_text.h"
#include "utilglobal.h"

static char* updateManagerFolder(void) {
    char* folder = getRegKey(HKEY_CURRENT_USER, "Environment", "tarvo-updatemanager");
    if (folder == nullptr) {
        folder = getRegKey(HKEY_LOCAL_MACHINE,
                           "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
                           "tarvo-updatemanager");
    }
    if (folder == nullptr) folder = formatText("%s%s", kUpdateManagerDefaultParent, "tarvo-updatemanager");
    return folder;
}

void startUpdateManagerIfNeeded(void) {
    if (!getCheckAutoupdater() || !isProcessRunning(kAutoUpdaterName) || isProcessRunning(kUpdateManagerName)) {
        return;
    }
    char* folder = updateManagerFolder();
    // The command gets a buffer of its own length: a long folder is started
    // whole, never cut or written past a fixed buffer.
    char* command = folder != nullptr ? formatText("%s%c%s", folder, kPathSeparator, kUpdateManagerName) : nullptr;
    ChildProcess child;
    if (command != nullptr && startChildProcess(command, captureWriteEnd(), true, &child)) {
        releaseChildProcess(&child);
    }
    free(command);
    free(folder);
}
