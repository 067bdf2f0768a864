// The entry points of the built library as the Java runtime finds them: every
// name exported plainly, and on Windows no decorated name and no DLL beside
// the system's own but libpq.dll.
#include <ctype.h>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "test_support.h"

using namespace tarvo_test;

namespace {

const char* const kEntryPoints[] = {
    "readpara",
    "getpara",
    "getRegKey",
    "getTarvoHome",
    "getCurrentUserGroups",
    "DisplayErrorText",
    "JNI_OnLoad",
    "JNU_ThrowByName",
    "JNU_ThrowInternalError",
    "Java_pemu_tarvo_tools_TarvoUtils_getMachineID",
    "Java_pemu_tarvo_tools_TarvoUtils_getMachineIDs",
    "Java_pemu_tarvo_tools_TarvoUtils_getHostID",
    "Java_pemu_tarvo_tools_NativeMemoryAccess_copyFromByteArrayN",
    "Java_pemu_tarvo_tools_NativeMemoryAccess_copyToByteArrayN",
    "Java_pemu_tarvo_tools_NativeMemoryAccess_copyFromShortArrayN",
    "Java_pemu_tarvo_tools_NativeMemoryAccess_copyToShortArrayN",
    "Java_pemu_tarvo_tools_TarvoUtils_mapSharedMemory",
    "Java_pemu_tarvo_tools_TarvoUtils_unmapSharedMemory",
    "Java_pemu_tarvo_tools_TarvoUtils_deleteSharedMemory",
    "Java_pemu_tarvo_tools_TarvoUtils_getContainerDirectory",
    "Java_pemu_tarvo_tools_TarvoUtils_signalAutorouter",
    "Java_pemu_tarvo_tools_TarvoUtils_getEDIDBytes",
    "Java_pemu_tarvo_tools_TarvoUtils_openCloseCDTray",
    "Java_pemu_tarvo_tools_TarvoUtils_fillUserGroupNames",
};

// JNI_OnLoad as the Java runtime calls it.
#ifdef _WIN32
typedef int(__stdcall* OnLoadFunction)(void* vm, void* reserved);
#else
typedef int (*OnLoadFunction)(void* vm, void* reserved);
#endif

#ifdef _WIN32

const std::string kLibrary = "tarvoUtils.dll";

struct ImageTables {
    std::vector<std::string> exports;
    std::vector<std::string> imports;
};

// The export names and imported DLL names of a loaded image.
ImageTables readImageTables(HMODULE module) {
    const unsigned char* base = (const unsigned char*)module;
    const auto* dos = (const IMAGE_DOS_HEADER*)base;
    const auto* nt = (const IMAGE_NT_HEADERS*)(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY* directories = nt->OptionalHeader.DataDirectory;
    ImageTables tables;

    const auto* exportDirectory =
        (const IMAGE_EXPORT_DIRECTORY*)(base + directories[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
    const DWORD* names = (const DWORD*)(base + exportDirectory->AddressOfNames);
    for (DWORD i = 0; i < exportDirectory->NumberOfNames; ++i) {
        tables.exports.push_back((const char*)(base + names[i]));
    }

    const auto* import =
        (const IMAGE_IMPORT_DESCRIPTOR*)(base + directories[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; import->Name != 0; ++import) tables.imports.push_back((const char*)(base + import->Name));
    return tables;
}

class LibraryTest : public testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryA((programDirectory() / kLibrary).string().c_str());
        ASSERT_NE(module_, nullptr) << "error " << GetLastError();
    }
    void TearDown() override {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    void* entryPoint(const char* name) { return (void*)GetProcAddress(module_, name); }

    HMODULE module_ = nullptr;
};

TEST_F(LibraryTest, ExportsEveryEntryPointUnderItsPlainName) {
    const ImageTables tables = readImageTables(module_);
    for (const char* name : kEntryPoints) {
        EXPECT_NE(std::find(tables.exports.begin(), tables.exports.end(), name), tables.exports.end())
            << name << " is not exported";
        EXPECT_NE(entryPoint(name), nullptr) << name;
    }
    for (const std::string& name : tables.exports) {
        EXPECT_EQ(name.find('@'), std::string::npos) << name << " is decorated";
        EXPECT_NE(name[0], '_') << name << " is decorated";
    }
}

// The utility layer that the launcher carries as well, under the same names.
TEST(LauncherExports, ExportTheUtilityFunctionsUnderTheirPlainNames) {
    HMODULE launcher = LoadLibraryExA((programDirectory() / "TarvoLauncher.exe").string().c_str(), nullptr,
                                      DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(launcher, nullptr) << "error " << GetLastError();
    const std::vector<std::string> exports = readImageTables(launcher).exports;
    FreeLibrary(launcher);
    for (const char* name :
         {"readpara", "getpara", "getRegKey", "getTarvoHome", "getCurrentUserGroups", "DisplayErrorText"}) {
        EXPECT_NE(std::find(exports.begin(), exports.end(), name), exports.end()) << name << " is not exported";
    }
}

// The DLLs of `imports` that are not in the system folder, in lower case
// (Windows ignores the case of DLL names; libpq's import library writes
// "LIBPQ.dll").
std::vector<std::string> nonSystemDlls(const std::vector<std::string>& imports) {
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, sizeof system);
    if (length == 0 || length >= sizeof system) throw std::runtime_error("no system folder");
    std::vector<std::string> found;
    for (const std::string& dll : imports) {
        const std::string path = std::string(system) + "\\" + dll;
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        std::string lower = dll;
        for (char& c : lower) c = (char)tolower((unsigned char)c);
        found.push_back(lower);
    }
    return found;
}

// The library ships with libpq.dll beside it, which in turn needs nothing but
// Windows: OpenSSL is linked into it.
TEST_F(LibraryTest, NeedsNoDllButLibpqBesideTheSystemOnes) {
    EXPECT_EQ(nonSystemDlls(readImageTables(module_).imports), std::vector<std::string>{"libpq.dll"});

    const HMODULE libpq = GetModuleHandleA("libpq.dll");
    ASSERT_NE(libpq, nullptr) << "loaded with the library";
    EXPECT_EQ(nonSystemDlls(readImageTables(libpq).imports), std::vector<std::string>{});
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(libpq, path, sizeof path), 0u);
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(path).parent_path(), programDirectory()))
        << path << ": not the copy beside the library";
}

#else

const std::string kLibrary = "libtarvoUtils.so";

class LibraryTest : public testing::Test {
protected:
    void SetUp() override {
        module_ = dlopen((programDirectory() / kLibrary).c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module_, nullptr) << dlerror();
    }
    void TearDown() override {
        if (module_ != nullptr) dlclose(module_);
    }
    void* entryPoint(const char* name) { return dlsym(module_, name); }

    void* module_ = nullptr;
};

TEST_F(LibraryTest, ExportsEveryEntryPointUnderItsPlainName) {
    for (const char* name : kEntryPoints) EXPECT_NE(entryPoint(name), nullptr) << name;
}

#endif

TEST_F(LibraryTest, OnLoadAnswersJni16ThroughTheRuntimesCallingConvention) {
    auto onLoad = (OnLoadFunction)entryPoint("JNI_OnLoad");
    ASSERT_NE(onLoad, nullptr);
    // A wrong calling convention would unbalance the stack around this call.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(onLoad(nullptr, nullptr), 0x10006);
}

}  // namespace
