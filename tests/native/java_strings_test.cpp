// Texts at the JNI boundary without a Java runtime: the stand-in Java side
// (fake_jni.h, its strings held as UTF-16) drives the helpers of
// java_strings.h and the built library's own native methods. Under Wine this
// is the Windows test: the ANSI code page 1252 holds German umlauts and
// nothing beyond them. On Linux the real JVM tests the same (tests/java).
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include <stdint.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "fake_jni.h"
#include "java_strings.h"
#include "loopback_listener.h"
#include "product_library.h"
#include "test_support.h"

using namespace tarvo_test;
namespace fs = std::filesystem;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

std::string platformText(FakeJava& java, const std::u16string& text) {
    JavaStrings strings = beginJavaStrings(java.env());
    const char* converted = javaPlatformText(&strings, java.string(text));
    std::string copy = converted != nullptr ? converted : "<null>";
    releaseJavaStrings(&strings);
    return copy;
}

#ifdef _WIN32
const std::string kRoentgen = "R\xF6ntgen";  // code page 1252
#else
const std::string kRoentgen = "R\xC3\xB6ntgen";
#endif

TEST(JavaStrings, PathsInThePlatformsEncoding) {
    FakeJava java;
    EXPECT_EQ(platformText(java, u"C:/Daten/R\u00F6ntgen"), "C:/Daten/" + kRoentgen);
    CaptureStderr();
    EXPECT_EQ(platformText(java, std::u16string(u"a\0/b", 4)), "<null>");
    EXPECT_EQ(platformText(java, u"x" + std::u16string(1, char16_t(0xD800))), "<null>");
#ifdef _WIN32
    EXPECT_EQ(platformText(java, u"\u0141\u00F3d\u017A \U0001F600"), "<null>");
    EXPECT_EQ(GetCapturedStderr(),
              "Can't convert text argument 'a\\u0000/b'\n\n"
              "Can't convert text argument 'x\\uD800'\n\n"
              "Can't convert text argument '\\u0141\\u00F3d\\u017A \\uD83D\\uDE00'\n\n");
#else
    EXPECT_EQ(GetCapturedStderr(),
              "Can't convert text argument 'a\\u0000/b'\n\nCan't convert text argument 'x\\uD800'\n\n");
    EXPECT_EQ(platformText(java, u"\U0001F600"), "\xF0\x9F\x98\x80");
#endif
}

TEST(JavaStrings, DatabaseTextsInUtf8AndAFailureSkipsTheRest) {
    FakeJava java;
    JavaStrings strings = beginJavaStrings(java.env());
    EXPECT_STREQ(javaUtf8Text(&strings, java.string(u"\u0141\u00F3d\u017A \U0001F600")),
                 "\xC5\x81\xC3\xB3\x64\xC5\xBA \xF0\x9F\x98\x80");
    EXPECT_EQ(javaUtf8Text(&strings, nullptr), nullptr) << "a Java null is an absent text";
    EXPECT_FALSE(strings.failed);
    CaptureStderr();
    EXPECT_EQ(javaUtf8Text(&strings, java.string(std::u16string(1, char16_t(0xDFFF)))), nullptr);
    EXPECT_EQ(javaUtf8Text(&strings, java.string(u"later")), nullptr) << "the call is off";
    GetCapturedStderr();
    EXPECT_TRUE(strings.failed);
    releaseJavaStrings(&strings);
}

TEST(JavaStrings, NativeTextsReachJavaAsUtf16) {
    FakeJava java;
    EXPECT_EQ(java.text(newJavaString(java.env(), ("C:/Daten/" + kRoentgen).c_str())), u"C:/Daten/R\u00F6ntgen");
    EXPECT_EQ(java.text(newJavaStringFromUtf8(java.env(), "\xC3\xB6 \xF0\x9F\x98\x80 \xC0\xAF")),
              u"\u00F6 \U0001F600 \uFFFD\uFFFD")
        << "from the database, invalid bytes become U+FFFD";
    EXPECT_EQ(newJavaString(java.env(), nullptr), nullptr);
}

TEST(JavaStrings, NativeMethodsOfTheLibraryConvertBothWays) {
    FakeJava java;
    ProductLibrary library;
    auto getContainerDirectory =
        library.find<jstring(JNICALL*)(JNIEnv*, jclass)>("Java_pemu_tarvo_tools_TarvoUtils_getContainerDirectory");
    auto signalAutorouter = library.find<void(JNICALL*)(JNIEnv*, jclass, jstring, jint, jstring, jstring, jint)>(
        "Java_pemu_tarvo_tools_TarvoUtils_signalAutorouter");
    ASSERT_NE(getContainerDirectory, nullptr);
    ASSERT_NE(signalAutorouter, nullptr);

    TempDir home;
    setEnv("TARVO", home.str());
    fs::create_directories(home.path() / "conf");
    writeFile(home.path() / "conf" / "routing.conf", "CONTAINER_DIR = C:/Daten/" + kRoentgen + "\n");
    EXPECT_EQ(java.text(getContainerDirectory(java.env(), nullptr)), u"C:/Daten/R\u00F6ntgen");
    unsetEnv("TARVO");

    // The stateinfo of a completed container lands in the folder whose name
    // Java gave, umlaut and all (the autorouter itself is not listening).
    const fs::path folder = home.path() / fs::path(u"R\u00F6ntgen");
    fs::create_directories(folder / "c1");
    const std::u16string data = (folder / "c1" / "data").u16string();
    CaptureStderr();
    signalAutorouter(java.env(), nullptr, java.string(u"127.0.0.1"), closedLoopbackPort(), java.string(data),
                     nullptr, 1);
    GetCapturedStderr();
    EXPECT_TRUE(fs::exists(folder / "c1" / "stateinfo"));
}

TEST(JavaStrings, NativeAddressesCountByTheirPointer) {
    FakeJava java;
    ProductLibrary library;
    auto copyFromByteArray = library.find<void(JNICALL*)(JNIEnv*, jclass, jbyteArray, jlong, jlong, jlong)>(
        "Java_pemu_tarvo_tools_NativeMemoryAccess_copyFromByteArrayN");
    ASSERT_NE(copyFromByteArray, nullptr);
    jbyteArray array = java.env()->NewByteArray(1);
    const jbyte value = 0x5A;
    java.env()->SetByteArrayRegion(array, 0, 1, &value);
#if UINTPTR_MAX > 0xFFFFFFFFu
    // A 64-bit library keeps every bit of the Java long: memory above 4 GiB
    // is written where Java said, not at the low 32 bits' address.
    void* const hint = (void*)(uintptr_t)0x300000000ULL;
#ifdef _WIN32
    auto* high = (unsigned char*)VirtualAlloc(hint, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
#else
    void* mapped = mmap(hint, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    auto* high = (unsigned char*)(mapped != MAP_FAILED ? mapped : nullptr);
#endif
    ASSERT_NE(high, nullptr);
    ASSERT_GT((uintptr_t)high, (uintptr_t)0xFFFFFFFFu);
    copyFromByteArray(java.env(), nullptr, array, 0, (jlong)(uintptr_t)high, 1);
    EXPECT_EQ(java.thrown, "");
    EXPECT_EQ(high[0], 0x5A);
#ifdef _WIN32
    VirtualFree(high, 0, MEM_RELEASE);
#else
    munmap(high, 4096);
#endif
#else
    copyFromByteArray(java.env(), nullptr, array, 0, 0x100000000LL, 1);
    EXPECT_EQ(java.thrown, "java/lang/NullPointerException: native address is 0")
        << "0x100000000 is a null pointer in the 32-bit library: nothing is written at address 0";
#endif
}

}  // namespace
