// The native directory that fits the Java runtime, chosen by the machine type
// in the headers of javaw.exe and of the libraries present.
#include "library_choice.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "config_launcher.h"
#include "executable_machine.h"
#include "heap_text.h"
#include "launcher_platform.h"

static char* chosenDirectory;
static char* mismatchNote;

const char* viewerNativeDirectory(void) {
    return chosenDirectory != nullptr ? chosenDirectory : getNativeDirectory();
}

const char* nativeLibraryMismatch(void) { return mismatchNote; }

// "'path' is x86 (32-bit)" for the library in `folder` when it is there, else
// null; *machine its type.
static char* describeLibrary(const char* folder, ExecutableMachine* machine) {
    char* path = formatText("%s%c%s", folder, kPathSeparator, kNativeLibraryName);
    *machine = path != nullptr ? readExecutableMachine(path) : kMachineUnknown;
    char* described =
        *machine != kMachineUnknown ? formatText("'%s' is %s", path, executableMachineName(*machine)) : nullptr;
    free(path);
    return described;
}

// The note when neither library present fits `runtime`; nothing when one
// fits or none is there.
static void noteMismatch(const char* javaw, ExecutableMachine runtime, const char* native, const char* native64) {
    ExecutableMachine machine, machine64 = kMachineUnknown;
    char* library = describeLibrary(native, &machine);
    char* library64 = native64 != nullptr ? describeLibrary(native64, &machine64) : nullptr;
    const bool fits = machine == runtime || machine64 == runtime;
    if (!fits && (library != nullptr || library64 != nullptr)) {
        mismatchNote = formatText("The Java runtime '%s' is %s, but no native library fits it: %s%s%s.\n\n", javaw,
                                  executableMachineName(runtime), library != nullptr ? library : "",
                                  library != nullptr && library64 != nullptr ? ", " : "",
                                  library64 != nullptr ? library64 : "");
        if (mismatchNote != nullptr) fputs(mismatchNote, stderr);
    }
    free(library);
    free(library64);
}

void chooseNativeDirectory(const char* javaw) {
    free(chosenDirectory);
    free(mismatchNote);
    chosenDirectory = mismatchNote = nullptr;
    const char* native = getNativeDirectory();
    if (native == nullptr || javaw == nullptr) return;
    const ExecutableMachine runtime = readExecutableMachine(javaw);
    char* native64 = formatText("%s%c%s", native, kPathSeparator, kNativeFolder64);
    if (native64 != nullptr && !isFolder(native64)) {
        free(native64);
        native64 = nullptr;
    }
    if (runtime == kMachineX64 && native64 != nullptr) chosenDirectory = strdup(native64);
    if (runtime != kMachineUnknown && runtime != kMachineOther) noteMismatch(javaw, runtime, native, native64);
    free(native64);
}
