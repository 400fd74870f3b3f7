// The kinds for today's installations at work: probed in slot order with the
// JRE kind's command line, each VM once; and the real Wendle.exe in probe
// mode finding a JDK 17 registered the way the Temurin installer registers
// it, in the 64-bit view only, and running the probe on it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/launcher_app.h"
#include "payload/text_buffer.h"
#include "registry_views.h"
#include "test_support.h"
#include "vm/vm_table.h"
#include "vm/vm_locator.h"
#include "vm_doubles.h"

using namespace views_test;
using test_support::ScratchDir;
using vm_doubles::VmBehaviour;

using test_support::CurrentDir;

namespace {

// Registers home the way the Temurin MSI does with its default features:
// Software\Eclipse Adoptium\JDK\<version>\hotspot\MSI, Path = home\.
void RegisterTemurin(View view, const std::string& version, const std::string& home)
{
    SetValue(view, "Software\\Eclipse Adoptium\\JDK\\" + version + "\\hotspot\\MSI", "Path",
             home + "\\");
}

// Probes run with the current directory in a scratch folder on C:, so that
// the capture file "\stdout.tmp" lies in C:\, and with the launcher's
// temporary directory pointing at a scratch folder.
class ModernRun : public ::testing::Test {
protected:
    ScratchDir dir{"modern-run"};
    ScratchDir classDir{"modern-classes"};
    JavaHomeVariable javaHome;
    std::string record = dir / "runs.txt";
    std::string previousDir;
    char previousTemp[kTextBufferSize];

    void SetUp() override
    {
        DeleteJavaKeys();
        previousDir = CurrentDir();
        ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
        memcpy(previousTemp, GetLauncherApp()->tempDir, sizeof previousTemp);
        strcpy(GetLauncherApp()->tempDir, (classDir.path() + "\\").c_str());
    }
    void TearDown() override
    {
        DeleteJavaKeys();
        memcpy(GetLauncherApp()->tempDir, previousTemp, sizeof previousTemp);
        SetCurrentDirectoryA(previousDir.c_str());
        EXPECT_FALSE(test_support::PathExists("C:\\stdout.tmp")) << "capture file left behind";
    }

    // A stand-in VM as home\bin\java.exe that exits with exitCode.
    std::string InstallVm(const std::string& name, DWORD exitCode)
    {
        std::string home = dir / name;
        VmBehaviour behaviour;
        behaviour.exitCode = exitCode;
        behaviour.recordPath = record;
        vm_doubles::InstallVmDouble(home + "\\bin\\java.exe", behaviour);
        return home;
    }

    std::string ReportOf(VmTable& table)
    {
        std::string path = dir / "report.txt";
        FILE* file = fopen(path.c_str(), "w");
        table.PrintReport(file);
        fclose(file);
        test_support::Bytes bytes = test_support::ReadBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }
};

TEST_F(ModernRun, TheNewKindsAreProbedInSlotOrderWithTheJreKindsCommandLine)
{
    std::string jdk21 = InstallVm("jdk-21", 314);
    std::string zulu = InstallVm("zulu-11", 159);
    RegisterJavaSoft(View::Native64Bit, kJdkKey, "21", jdk21);
    SetValue(View::Native64Bit, "Software\\Azul Systems\\Zulu\\zulu-11", "InstallationPath", zulu);
    std::string start = CurrentDir();

    VmTable table;
    table.Search("A:A:A 1.1:A:A");

    EXPECT_EQ(1, table.slots[3]->suitable);
    EXPECT_EQ(0, table.slots[4]->suitable);
    EXPECT_EQ("2\r\nYES " + jdk21 + "\\bin\\java.exe\r\nNO " + zulu + "\\bin\\java.exe\r\n",
              ReportOf(table));
    auto runs = vm_doubles::ReadVmRuns(record);
    ASSERT_EQ(2u, runs.size());
    std::string classes = classDir.path() + "\\";
    EXPECT_EQ("\"" + jdk21 + "\\bin\\java.exe\" -cp " + classes + " TvqVersion A:A:A 1.1:A:A",
              runs[0].commandLine);
    EXPECT_EQ("\"" + zulu + "\\bin\\java.exe\" -cp " + classes + " TvqVersion A:A:A 1.1:A:A",
              runs[1].commandLine);
    for (const auto& run : runs)
        EXPECT_EQ(start, run.currentDir) << "the current directory is left alone";
    EXPECT_EQ(start, CurrentDir());
}

TEST_F(ModernRun, AVmReachedByThreeRoutesIsProbedOnce)
{
    std::string temurin = InstallVm("jdk-17.0.9+9", 314);
    RegisterTemurin(View::Native64Bit, "17.0.9.9", temurin);
    RegisterJavaSoft(View::Native64Bit, kJdkKey, "17", temurin + "\\");
    javaHome.Set(temurin.c_str());

    VmTable table;
    table.Search("A:A:A");

    EXPECT_EQ(1u, vm_doubles::ReadVmRuns(record).size());
    EXPECT_EQ("1\r\nYES " + temurin + "\\bin\\java.exe\r\n", ReportOf(table));
}

// The built launcher, started as a script would start it in probe mode.
class WendleProbe : public ::testing::Test {
protected:
    ScratchDir jdks{"wendle-jdks"};
    ScratchDir temp{"wendle-tmp"};
    JavaHomeVariable javaHome;   // unset: the launcher inherits this environment

    void SetUp() override { DeleteJavaKeys(); }
    void TearDown() override { DeleteJavaKeys(); }

    test_support::ProcessResult Probe(const std::string& requirement)
    {
        test_support::RunOptions options;
        options.tempDir = temp.path() + "\\";
        return test_support::RunProcess(std::string("\"") + WENDLE_EXE_PATH + "\" " + requirement,
                                        options);
    }
};

TEST_F(WendleProbe, FindsAndRunsAJdk17RegisteredLikeTemurinInThe64BitViewOnly)
{
    std::string home = jdks / "jdk-17.0.9.9-hotspot";
    std::string java = home + "\\bin\\java.exe";
    vm_doubles::InstallJavaBridge(java, vm_doubles::JvmKind::FullJdk);
    RegisterTemurin(View::Native64Bit, "17.0.9.9", home);
    ASSERT_FALSE(KeyExists(View::Own32Bit, "Software\\Eclipse Adoptium"))
        << "the key must not be visible in the launcher's own view";

    const struct {
        const char* requirement;
        const char* verdict;
    } cases[] = {
        {"1.1:A:A", "YES "},   // JDK 17 has the 1.1 event classes
        {"1.3:A:A", "NO "},    // a version field the probe never accepts
    };
    for (const auto& c : cases) {
        test_support::ProcessResult result = Probe(c.requirement);
        ASSERT_FALSE(result.timedOut) << c.requirement;
        EXPECT_EQ(0u, result.exitCode) << c.requirement;
        EXPECT_EQ("1\r\n" + std::string(c.verdict) + java + "\r\n", result.output) << c.requirement;
        EXPECT_TRUE(test_support::ListDir(temp.path()).empty()) << c.requirement << ": left files";
    }
}

TEST_F(WendleProbe, AMachineWithNoJavaReportsZero)
{
    test_support::ProcessResult result = Probe("A:A:A");
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ("0\r\n", result.output);
}

}  // namespace
