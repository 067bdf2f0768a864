// What only Windows shows: the operating-system versions the launcher
// accepts (Wine reports an older Windows to a program when its AppDefaults
// say so), the display's colour depth, and the executable's own make-up.
#include <windows.h>

#include "launcher_fixture.h"

namespace launcher_test {
namespace {

using namespace tarvo_test;

const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\TarvoLauncher.exe";

class WindowsTest : public LauncherTest {
protected:
    void TearDown() override {
        deleteRegistryKey(HKEY_CURRENT_USER, kAppDefaults);
        setBitsPerPixel(32);
        LauncherTest::TearDown();
    }
    // Switches the display to a mode of the current size with `bits` per pixel.
    static bool setBitsPerPixel(DWORD bits) {
        DEVMODEA current{};
        current.dmSize = sizeof current;
        if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current)) return false;
        if (current.dmBitsPerPel == bits) return true;
        DEVMODEA mode{};
        mode.dmSize = sizeof mode;
        for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &mode); ++i) {
            if (mode.dmBitsPerPel == bits && mode.dmPelsWidth == current.dmPelsWidth &&
                mode.dmPelsHeight == current.dmPelsHeight) {
                return ChangeDisplaySettingsA(&mode, 0) == DISP_CHANGE_SUCCESSFUL;
            }
        }
        return false;
    }
};

TEST_F(WindowsTest, OnlyTheSupportedVersionsStartAViewer) {
    writeConfig(config("DEBUG = TRUE\n"));
    const std::string refused = errorBox("Version not supported.\nThe application will terminate now.");
    struct Case {
        const char* version;
        const char* reported;
        bool starts;
    };
    size_t starts = 0;
    std::string expectedBoxes;
    for (const Case& c : {Case{"win95", "Version 1 4 (major) , 0 (minor)\n", false},
                          Case{"win98", "Version 1 4 (major) , 10 (minor)\n", true},
                          Case{"winme", "Version 1 4 (major) , 90 (minor)\n", true},
                          Case{"nt40", "Version 2 4 (major) , 0 (minor)\n", false},
                          Case{"win2k", "Version 2 5 (major) , 0 (minor)\n", true}}) {
        setRegistryValue(HKEY_CURRENT_USER, kAppDefaults, "Version", c.version);
        const LauncherRun run = this->run();
        EXPECT_EQ(run.errors.find(c.reported), 0u) << c.version << ":\n" << run.errors;
        EXPECT_EQ(run.errors.find("OS version supported.\n") != std::string::npos, c.starts) << c.version;
        starts += c.starts;
        if (!c.starts) expectedBoxes += refused;
        EXPECT_EQ(javawStarts().size(), starts) << c.version;
    }
    EXPECT_EQ(boxes(), expectedBoxes);
}

TEST_F(WindowsTest, ColourDepthBelow24Warns) {
    writeConfig(config("CHECK_COLOR_DEPTH = TRUE\nDEBUG = TRUE\n"));
    ASSERT_TRUE(setBitsPerPixel(16));
    LauncherRun run = this->run();
    EXPECT_EQ(boxes(), warningBox("Your display is not able to display 256 gray values.\n"
                                  "Display quality of images may be reduced."));
    ASSERT_TRUE(setBitsPerPixel(32));
    run = this->run();
    EXPECT_NE(run.errors.find("Memory available.\nColor depth 32\n"), std::string::npos) << run.errors;
    EXPECT_EQ(javawStarts().size(), 2u) << "the warning does not stop the start";
    EXPECT_EQ(boxes(), warningBox("Your display is not able to display 256 gray values.\n"
                                  "Display quality of images may be reduced."));
}

BOOL CALLBACK countName(HMODULE, LPCSTR, LPSTR, LONG_PTR count) {
    ++*(int*)count;
    return TRUE;
}

TEST(LauncherExecutable, GuiProgramWithOneIconGroup) {
    const std::string file = fixtureProgram("TarvoLauncher").string();
    const HMODULE image = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    EXPECT_NE(FindResourceA(image, MAKEINTRESOURCEA(101), (LPCSTR)RT_GROUP_ICON), nullptr) << "IDI_ICON1";
    int groups = 0;
    EnumResourceNamesA(image, (LPCSTR)RT_GROUP_ICON, countName, (LONG_PTR)&groups);
    EXPECT_EQ(groups, 1);
    FreeLibrary(image);

    const std::string bytes = readFile(file);
    ASSERT_GT(bytes.size(), sizeof(IMAGE_DOS_HEADER));
    const auto* dos = (const IMAGE_DOS_HEADER*)bytes.data();
    const auto* nt = (const IMAGE_NT_HEADERS32*)(bytes.data() + dos->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

}  // namespace
}  // namespace launcher_test
