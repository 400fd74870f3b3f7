// Wendle.exe in probe mode on real JVMs: the JDK key names a bridge to the
// full JDK 17, the JRE key a bridge to a java.base-only runtime (no
// java.awt.event.ActionEvent, like a 1.0 VM), and jview.exe in the Windows
// directory is a bridge to the full JDK.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "registry_fixture.h"
#include "test_support.h"
#include "vm_doubles.h"

using test_support::ScratchDir;
using namespace vm_test;

namespace {

class ProbeMode : public ::testing::Test {
protected:
    ScratchDir dir{"probe"};
    std::string jview;

    void SetUp() override
    {
        DeleteJavaSoftKeys();
        vm_doubles::InstallJavaBridge(dir / "jdk\\bin\\java.exe", vm_doubles::JvmKind::FullJdk);
        vm_doubles::InstallJavaBridge(dir / "jre\\bin\\jre.exe", vm_doubles::JvmKind::JavaBaseOnly);
        RegisterJava(kJdkKey, "1.1", dir / "jdk");
        RegisterJava(kJreKey, "1.1", dir / "jre");
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, sizeof windows);
        jview = std::string(windows) + "\\jview.exe";
        vm_doubles::InstallJavaBridge(jview, vm_doubles::JvmKind::FullJdk);
    }
    void TearDown() override
    {
        DeleteJavaSoftKeys();
        DeleteFileA(jview.c_str());
        DeleteFileA((jview.substr(0, jview.size() - 4) + ".jvm").c_str());
    }

    // Runs Wendle.exe in probe mode with its temporary directory in tempDir;
    // checks that nothing is left behind and returns the report.
    std::string Probe(const std::string& requirement, const std::string& tempDir)
    {
        test_support::RunOptions options;
        options.tempDir = tempDir + "\\";
        options.currentDir = dir.path();
        test_support::ProcessResult result =
            test_support::RunProcess(std::string("\"") + WENDLE_EXE_PATH + "\" " + requirement, options);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_TRUE(test_support::ListDir(tempDir).empty()) << "left in the temporary directory";
        EXPECT_FALSE(test_support::PathExists("C:\\stdout.tmp")) << "capture file left behind";
        return result.output;
    }

    std::string Report(const char* jdk, const char* jre, const char* msvm)
    {
        return std::string("3\r\n") + jdk + " " + (dir / "jdk\\Bin\\java.exe") + "\r\n" + jre + " " +
               (dir / "jre\\Bin\\jre.exe") + "\r\n" + msvm + " " + jview + "\r\n";
    }
};

TEST_F(ProbeMode, ReportsEachVmsVerdictInSlotOrder)
{
    ScratchDir temp("probe-tmp");
    const struct {
        const char* requirement;
        const char* jdk;
        const char* jre;
        const char* msvm;
    } cases[] = {
        {"A:A:A", "YES", "YES", "YES"},
        {"1.1:A:A", "YES", "NO", "YES"},
        {"1.3:A:A", "NO", "NO", "NO"},
        {"1.3:A:A A:A:A", "YES", "YES", "YES"},
        {"A:Debian:Linux", "YES", "YES", "YES"},
        {"A:Sun:A", "NO", "NO", "NO"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Report(c.jdk, c.jre, c.msvm), Probe(c.requirement, temp.path())) << c.requirement;
}

TEST_F(ProbeMode, ATemporaryDirectoryWithBlanksStillLetsEveryVmRunTheProbe)
{
    ScratchDir parent("probe-tmp");
    std::string temp = parent / "Documents and Settings";
    CreateDirectoryA(temp.c_str(), nullptr);
    EXPECT_EQ(Report("YES", "NO", "YES"), Probe("1.1:A:A", temp));
}

TEST_F(ProbeMode, NothingInstalledGivesTheSingleLineZero)
{
    TearDown();
    ScratchDir temp("probe-tmp");
    EXPECT_EQ("0\r\n", Probe("A:A:A", temp.path()));
}

TEST_F(ProbeMode, LongCommandLinesAreBoundedNeverCut)
{
    ScratchDir temp("probe-tmp");
    // 259 characters fit the requirement, but no VM's argument text (260
    // bytes with the class name): every probe fails as "cannot start".
    std::string fits = "A:A:A" + std::string(254, ' ');
    EXPECT_EQ(Report("NO", "NO", "NO"), Probe(fits, temp.path()));
    // 260 characters do not fit the requirement: no probe and no report, as
    // a cut requirement could accept VMs that the whole one rejects.
    std::string tooLong = "1.3:A:A" + std::string(248, ' ') + "A:A:A";
    ASSERT_EQ(260u, tooLong.size());
    EXPECT_EQ("", Probe(tooLong, temp.path()));
}

}  // namespace
