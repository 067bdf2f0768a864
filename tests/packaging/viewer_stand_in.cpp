// A stand-in for the Java viewer in the Windows package tests. The installed
// launcher starts it in place of javaw.exe, and it does with the launcher's
// command line what the Java runtime and the viewer do when a study arrives:
// it takes the folder of -Djava.library.path, loads tarvoUtils.dll from
// there by its full path (as System.loadLibrary does; its own imports, such
// as libpq.dll, are found the way Windows finds them, through the PATH the
// launcher extended), and asks it for a container for the sender "SPEC" with
// a stand-in Java side (tests/support/fake_jni.h). A stand-in of the
// autorouter service listens on 127.0.0.1:7375 meanwhile. Every report goes
// to standard output, which the launcher copies into its log:
//   "argument: <argument>" for each, "library loaded: <path>", "container data folder: <path>",
//   "autorouter received: <request>", or what failed.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "autorouter_listener.h"
#include "fake_jni.h"

using tarvo_test::AutorouterListener;
using tarvo_test::FakeJava;

typedef jstring(JNICALL* GetContainer)(JNIEnv*, jclass, jstring, jstring, jstring);

static const char kGetContainer[] =
    "Java_pemu_tarvo_tools_TarvoUtils_getAutorouterContainer__Ljava_lang_String_2Ljava_lang_String_2Ljava_lang_"
    "String_2";
static const char kLibraryPathOption[] = "-Djava.library.path=";

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        printf("argument: %s\n", argv[i]);
        if (strncmp(argv[i], kLibraryPathOption, strlen(kLibraryPathOption)) == 0) {
            folder = argv[i] + strlen(kLibraryPathOption);
        }
    }
    if (folder.empty()) {
        printf("no -Djava.library.path\n");
        return 1;
    }
    char path[MAX_PATH];
    const std::string relative = folder + "\\tarvoUtils.dll";
    if (GetFullPathNameA(relative.c_str(), sizeof path, path, nullptr) == 0) {
        printf("GetFullPathName failed (%lu)\n", GetLastError());
        return 1;
    }
    HMODULE library = LoadLibraryA(path);
    if (library == nullptr) {
        printf("LoadLibrary of %s failed (%lu)\n", path, GetLastError());
        return 1;
    }
    printf("library loaded: %s\n", path);
    GetContainer getContainer = reinterpret_cast<GetContainer>((void*)GetProcAddress(library, kGetContainer));
    if (getContainer == nullptr) {
        printf("no %s\n", kGetContainer);
        return 1;
    }

    AutorouterListener autorouter("127.0.0.1", 7375);
    if (!autorouter.listening()) {
        printf("cannot listen on 127.0.0.1:7375\n");
        return 1;
    }
    FakeJava java;
    jstring container = getContainer(java.env(), nullptr, java.string(u"SPEC"), java.string(u"DEST"),
                                     java.string(u"HOST"));
    if (container == nullptr) {
        printf("no container\n");
        return 1;
    }
    std::string data;
    for (char16_t unit : java.text(container)) data += static_cast<char>(unit);  // ASCII paths in the tests
    printf("container data folder: %s\n", data.c_str());
    const auto request = autorouter.nextConnection(10000);
    printf("autorouter received: %s\n", request ? request->c_str() : "nothing");
    return request ? 0 : 1;
}
