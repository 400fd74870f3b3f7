// Where each kind looks for its VM, and which user-named files it accepts.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "registry_fixture.h"
#include "test_support.h"
#include "vm/vm_kinds.h"
#include "vm/vm_table.h"

using test_support::ScratchDir;
using namespace vm_test;

namespace {

class LocateTest : public ::testing::Test {
protected:
    ScratchDir dir{"loc"};
    void SetUp() override { DeleteJavaSoftKeys(); }
    void TearDown() override { DeleteJavaSoftKeys(); }

    // Makes home\bin and the named files in it.
    std::string MakeHome(const std::string& name, std::initializer_list<const char*> files)
    {
        std::string home = dir / name;
        CreateDirectoryA(home.c_str(), nullptr);
        CreateDirectoryA((home + "\\bin").c_str(), nullptr);
        for (const char* file : files)
            test_support::WriteText(home + "\\bin\\" + file, "x");
        return home;
    }
};

TEST_F(LocateTest, TheJdkIsFoundThroughCurrentVersionAndJavaHome)
{
    std::string home = MakeHome("jdk", {"java.exe"});
    const struct {
        const char* what;
        std::string javaHome;
        std::string exePath;
    } cases[] = {
        {"JavaHome without trailing backslash", home, home + "\\Bin\\java.exe"},
        {"JavaHome with trailing backslash", home + "\\", home + "\\Bin\\java.exe"},
    };
    for (const auto& c : cases) {
        RegisterJava(kJdkKey, "1.1", c.javaHome);
        JdkLocator jdk;
        EXPECT_EQ(1, jdk.Locate()) << c.what;
        EXPECT_EQ(c.exePath, jdk.exePath) << c.what;
        EXPECT_EQ(0, jdk.suitable) << c.what;
    }
}

TEST_F(LocateTest, TheJdkIsNotFoundWhenAnyStepIsMissing)
{
    std::string home = MakeHome("jdk", {"java.exe"});
    std::string noJava = MakeHome("nojava", {"javaw.exe"});
    const struct {
        const char* what;
        void (*registry)(const std::string& home);
        std::string home;
    } cases[] = {
        {"no key at all", [](const std::string&) {}, home},
        {"no CurrentVersion", [](const std::string& h) { SetMachineValue(std::string(kJdkKey) + "\\1.1", "JavaHome", h); }, home},
        {"no subkey for the version", [](const std::string&) { SetMachineValue(kJdkKey, "CurrentVersion", "1.1"); }, home},
        {"no JavaHome", [](const std::string&) {
             SetMachineValue(kJdkKey, "CurrentVersion", "1.1");
             SetMachineValue(std::string(kJdkKey) + "\\1.1", "Other", "x"); }, home},
        {"no java.exe in Bin", [](const std::string& h) { RegisterJava(kJdkKey, "1.1", h); }, noJava},
        {"JavaHome of 300 characters", [](const std::string&) {
             RegisterJava(kJdkKey, "1.1", "C:\\" + std::string(297, 'j')); }, home},
        {"the JRE key does not serve the JDK kind", [](const std::string& h) { RegisterJava(kJreKey, "1.1", h); }, home},
    };
    for (const auto& c : cases) {
        DeleteJavaSoftKeys();
        c.registry(c.home);
        JdkLocator jdk;
        EXPECT_EQ(0, jdk.Locate()) << c.what;
        EXPECT_STREQ("", jdk.exePath) << c.what;
    }
}

TEST_F(LocateTest, TheJrePrefersJreExeOverJavaExe)
{
    const struct {
        const char* what;
        std::initializer_list<const char*> files;
        const char* found;
    } cases[] = {
        {"both", {"jre.exe", "java.exe"}, "jre.exe"},
        {"java.exe only", {"java.exe"}, "java.exe"},
        {"jre.exe only", {"jre.exe"}, "jre.exe"},
        {"neither", {"javaw.exe"}, nullptr},
    };
    int index = 0;
    for (const auto& c : cases) {
        std::string home = MakeHome("jre" + std::to_string(index++), c.files);
        RegisterJava(kJreKey, "1.1", home);
        JreLocator jre;
        EXPECT_EQ(c.found ? 1 : 0, jre.Locate()) << c.what;
        EXPECT_EQ(c.found ? home + "\\Bin\\" + c.found : std::string(), jre.exePath) << c.what;
    }
}

TEST_F(LocateTest, TheMicrosoftVmIsJviewInTheWindowsDirectoryOnly)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string jview = std::string(windows) + "\\jview.exe";
    std::string elsewhere = std::string(windows) + "\\system32\\jview.exe";
    test_support::WriteText(elsewhere, "x");
    MsVmLocator notThere;
    EXPECT_EQ(0, notThere.Locate());
    EXPECT_STREQ("", notThere.exePath);

    test_support::WriteText(jview, "x");
    MsVmLocator found;
    EXPECT_EQ(1, found.Locate());
    EXPECT_EQ(jview, found.exePath);
    DeleteFileA(jview.c_str());
    DeleteFileA(elsewhere.c_str());
}

TEST(MatchExecutable, EachKindAcceptsItsOwnNames)
{
    const struct {
        const char* fileName;
        int jdk, jre, msvm;
    } cases[] = {
        {"java.exe", 1, 1, 0},
        {"JAVA.EXE", 1, 1, 0},
        {"jre.exe", 0, 1, 0},
        {"Jre.Exe", 0, 1, 0},
        {"jview.exe", 0, 0, 1},
        {"javaw.exe", 0, 0, 0},
        {"java.exe ", 0, 0, 0},
        {"java", 0, 0, 0},
        {"", 0, 0, 0},
    };
    for (const auto& c : cases) {
        JdkLocator jdk;
        JreLocator jre;
        MsVmLocator msvm;
        std::string path = std::string("D:\\any\\") + c.fileName;
        EXPECT_EQ(c.jdk, jdk.MatchExecutable(path.c_str(), c.fileName)) << c.fileName;
        EXPECT_EQ(c.jre, jre.MatchExecutable(path.c_str(), c.fileName)) << c.fileName;
        EXPECT_EQ(c.msvm, msvm.MatchExecutable(path.c_str(), c.fileName)) << c.fileName;
        EXPECT_EQ(c.jdk ? path : "", std::string(jdk.exePath)) << c.fileName;
        EXPECT_EQ(c.msvm ? path : "", std::string(msvm.exePath)) << c.fileName;
    }
}

TEST(FindByExecutable, TheFirstKindInSlotOrderTakesThePath)
{
    const struct {
        const char* path;
        int slot;   // -1: none
    } cases[] = {
        {"C:\\jdk\\bin\\JAVA.EXE", 0},
        {"C:\\jre\\bin\\java.exe", 0},   // a java.exe is always the JDK kind
        {"C:\\jre\\bin\\jre.exe", 1},
        {"E:\\tools\\jview.exe", 2},
        {"C:\\jdk\\bin\\javaw.exe", -1},
        {"java.exe", -1},                // no backslash, no file name
        {"C:\\jdk\\bin\\java.exe\\", 0}, // the trailing backslash goes first
        {"C:\\jdk\\bin\\", -1},          // the last directory name is compared
    };
    for (const auto& c : cases) {
        VmTable table;
        table.CreateKinds();
        VmLocator* found = table.FindByExecutable(c.path);
        if (c.slot < 0) {
            EXPECT_EQ(nullptr, found) << c.path;
        } else {
            EXPECT_EQ(table.slots[c.slot], found) << c.path;
            EXPECT_STREQ(c.path, found->exePath) << c.path;
        }
        for (int slot = 0; slot < 3; ++slot) {
            if (slot != c.slot)
                EXPECT_STREQ("", table.slots[slot]->exePath) << c.path << " changed slot " << slot;
        }
    }
}

TEST(FindByExecutable, ReturnsTheObjectTheSearchCreatedWithTheUsersPath)
{
    VmTable table;
    table.CreateKinds();
    VmLocator* jdk = table.slots[0];
    strcpy(jdk->exePath, "C:\\found\\bin\\java.exe");
    EXPECT_EQ(jdk, table.FindByExecutable("D:\\mine\\java.exe"));
    EXPECT_STREQ("D:\\mine\\java.exe", jdk->exePath);
}

TEST(FindByExecutable, APathLongerThan259CharactersIsRefused)
{
    VmTable table;
    table.CreateKinds();
    std::string path = "C:\\" + std::string(300, 'd') + "\\java.exe";
    EXPECT_EQ(nullptr, table.FindByExecutable(path.c_str()));
    EXPECT_STREQ("", table.slots[0]->exePath);
}

}  // namespace
