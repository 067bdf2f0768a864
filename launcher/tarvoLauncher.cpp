// tarvoLauncher: the launcher's main flow.
#include "tarvoLauncher.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "capturepipe.h"
#include "classpath.h"
#include "commandline.h"
#include "config_launcher.h"
#include "console.h"
#include "handoff.h"
#include "hostchecks.h"
#include "instance.h"
#include "javadiscovery.h"
#include "launcher_platform.h"
#include "library_choice.h"
#include "messagebox.h"
#include "output_capture.h"
#include "updatemanager.h"
#include "viewerpath.h"

// Operating system, memory and, when asked for, colour depth. False when the
// start must end.
static bool checkHost(void) {
    if (!checkOsVersion()) {
        showErrorBox("Version not supported.\nThe application will terminate now.");
        return false;
    }
    if (getDebug()) fprintf(stderr, "OS version supported.\n");

    if (!checkMemory(requiredMemoryBytes(getMinMemPhy()), requiredMemoryBytes(getMinMemTotal()))) {
        showErrorBox("Not enough memory.\nThe application will terminate now.");
        return false;
    }
    if (getDebug()) fprintf(stderr, "Memory available.\n");

    if (getCheckColorDepth()) {
        if (getColorDepth() < 24) {
            showWarningBox(
                "Your display is not able to display 256 gray values.\nDisplay quality of images may be reduced.");
        } else if (getDebug()) {
            fprintf(stderr, "Color depth %d\n", getColorDepth());
        }
    }
    return true;
}

// Starts the viewer and copies its output until it has ended.
static void runViewer(char* commandLine) {
    ChildProcess viewer;
    if (!startChildProcess(commandLine, captureWriteEnd(), false, &viewer)) {
        fprintf(stderr, "CreateProcess failed (%d)\n", (int)lastSystemError());
        showErrorBox("Could not start Viewer.");
        return;
    }
    printf("\n->Redirecting stdout and stderr of child process to file\n");
    pumpChildOutput();
    waitForChildProcess(&viewer);
}

void launcherMain(int argc, char** argv) {
    if (!readLauncherConfig()) return;
    if (getDebug()) openConsole();

    if (!getAllowMultipleInstances() && isInstanceRunning(instanceKey(argc, argv))) {
        handOff(argc, argv);
        return;
    }
    if (!checkHost()) return;

    createCapturePipe();
    startUpdateManagerIfNeeded();

    const char* javaw = findJavaw();
    if (javaw == nullptr) {
        showErrorBox("No 'javaw.exe' found, could not start application.");
        return;
    }
    chooseNativeDirectory(javaw);
    char* arguments = buildJavaArguments();
    // A runtime of the further sources usually lies under "C:\Program Files":
    // quoted, its launcher sees its own path whole, not "C:\Program" and a
    // first argument "Files\...". The described sources stay unquoted.
    const bool further = javawSource() >= JAVAW_REGISTERED;
    char* quoted = further && strpbrk(javaw, " \t") != nullptr ? quoteArgument(javaw) : nullptr;
    char* commandLine = buildCommandLine(quoted != nullptr ? quoted : javaw, arguments, argc, argv);
    free(quoted);
    free(arguments);
    if (commandLine == nullptr) {
        fprintf(stderr, "Out of memory\n");
        return;
    }
    if (getDebug()) fprintf(stderr, "Command line: %s\n\n", commandLine);
    if (extendPathForViewer()) runViewer(commandLine);
    free(commandLine);
}
