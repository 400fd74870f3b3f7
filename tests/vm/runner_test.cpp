// The process runner and the three kinds' class runs, with a stand-in VM
// that records how it was started.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>

#include "app/launcher_app.h"
#include "test_support.h"
#include "vm/vm_kinds.h"
#include "vm_doubles.h"

using test_support::ScratchDir;
using vm_doubles::VmBehaviour;

using test_support::CurrentDir;

namespace {

// Every run happens with the current directory in a scratch folder on C:, so
// that the capture file "\stdout.tmp" lies in C:\.
class RunnerTest : public ::testing::Test {
protected:
    ScratchDir dir{"runner"};
    ScratchDir classDir{"classes"};
    std::string record = dir / "runs.txt";
    std::string previousDir;

    void SetUp() override
    {
        previousDir = CurrentDir();
        ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
        DeleteFileA("C:\\stdout.tmp");
    }
    void TearDown() override
    {
        EXPECT_FALSE(test_support::PathExists("C:\\stdout.tmp")) << "capture file left behind";
        DeleteFileA("C:\\stdout.tmp");
        SetCurrentDirectoryA(previousDir.c_str());
    }

    template <typename Kind>
    void Install(Kind& kind, const std::string& exe, VmBehaviour behaviour = {})
    {
        behaviour.recordPath = record;
        vm_doubles::InstallVmDouble(exe, behaviour);
        strcpy(kind.exePath, exe.c_str());
    }
};

TEST_F(RunnerTest, TheFirstOutputByteAndTheExitStatusFoldIntoOneResult)
{
    const struct {
        const char* what;
        const char* output;
        DWORD exitCode;
        int result;
    } cases[] = {
        {"T first, any status", "True", 0, 314},
        {"T alone", "T", 1, 314},
        {"NO and 159", "NO\r\n", 159, 159},
        {"nothing and 0", "", 0, 0},
        {"YES and 314", "YES\r\n", 314, 314},
        {"other text and 314", "X", 314, 314},
        {"t in lower case is not T", "t", 7, 7},
    };
    for (const auto& c : cases) {
        JdkLocator vm;
        VmBehaviour behaviour;
        behaviour.output = c.output;
        behaviour.exitCode = c.exitCode;
        Install(vm, dir / "jdk\\bin\\java.exe", behaviour);
        EXPECT_EQ(c.result, vm.Exec("TvqVersion A:A:A")) << c.what;
    }
}

TEST_F(RunnerTest, AMissingExecutableCannotStart)
{
    JdkLocator vm;
    strcpy(vm.exePath, (dir / "nowhere\\java.exe").c_str());
    EXPECT_EQ(-1, vm.Exec("TvqVersion A:A:A"));
    EXPECT_EQ(0, vm.Check("A:A:A"));
}

TEST_F(RunnerTest, ACommandLineThatDoesNotFitIsNotStarted)
{
    JdkLocator vm;
    Install(vm, dir / "jdk\\bin\\java.exe", {});
    std::string arguments(520, 'a');
    EXPECT_EQ(-1, vm.Exec(arguments.c_str()));
    EXPECT_TRUE(vm_doubles::ReadVmRuns(record).empty());
}

TEST_F(RunnerTest, CheckAcceptsOnly314)
{
    const struct {
        DWORD exitCode;
        int check;
    } cases[] = {{314, 1}, {159, 0}, {0, 0}, {315, 0}, {(DWORD)-1, 0}};
    for (const auto& c : cases) {
        JreLocator vm;
        VmBehaviour behaviour;
        behaviour.exitCode = c.exitCode;
        Install(vm, dir / "jre\\bin\\jre.exe", behaviour);
        EXPECT_EQ(c.check, vm.Check("A:A:A")) << c.exitCode;
    }
}

TEST_F(RunnerTest, EachKindLaysOutItsCommandLineAndCurrentDirectory)
{
    std::string classes = classDir.path() + "\\";
    std::string start = CurrentDir();

    JdkLocator jdk;
    Install(jdk, dir / "jdk\\bin\\java.exe");
    jdk.RunClass(classes.c_str(), "TvqVersion", "A:A:A 1.1:A:A");
    EXPECT_EQ(start, CurrentDir()) << "the JDK kind restores the current directory";

    JreLocator jre;
    Install(jre, dir / "jre\\bin\\jre.exe");
    jre.RunClass(classes.c_str(), "Installer", nullptr);
    EXPECT_EQ(start, CurrentDir());

    MsVmLocator msvm;
    Install(msvm, dir / "windows\\jview.exe");
    msvm.RunClass(classes.c_str(), "TvqVersion", "A:A:A");
    EXPECT_EQ(classDir.path(), CurrentDir()) << "the Microsoft VM kind stays in the class directory";

    auto runs = vm_doubles::ReadVmRuns(record);
    ASSERT_EQ(3u, runs.size());
    EXPECT_EQ("\"" + std::string(jdk.exePath) + "\" TvqVersion A:A:A 1.1:A:A", runs[0].commandLine);
    EXPECT_EQ(classDir.path(), runs[0].currentDir);
    EXPECT_EQ("\"" + std::string(jre.exePath) + "\" -cp " + classes + " Installer", runs[1].commandLine);
    EXPECT_EQ(start, runs[1].currentDir);
    EXPECT_EQ("\"" + std::string(msvm.exePath) + "\" -cp:p " + classes + " TvqVersion A:A:A",
              runs[2].commandLine);
    EXPECT_EQ(classDir.path(), runs[2].currentDir);
    for (const auto& run : runs)
        EXPECT_EQ("writable", run.standardOutput) << "the capture file reaches the child";
}

TEST_F(RunnerTest, AClassDirectoryWithABlankIsQuoted)
{
    std::string blank = dir / "Documents and Settings";
    CreateDirectoryA(blank.c_str(), nullptr);
    JreLocator jre;
    Install(jre, dir / "jre\\bin\\jre.exe");
    jre.RunClass((blank + "\\").c_str(), "TvqVersion", "A:A:A");
    MsVmLocator msvm;
    Install(msvm, dir / "windows\\jview.exe");
    msvm.RunClass((blank + "\\").c_str(), "TvqVersion", "A:A:A");
    auto runs = vm_doubles::ReadVmRuns(record);
    ASSERT_EQ(2u, runs.size());
    EXPECT_EQ("\"" + std::string(jre.exePath) + "\" -cp \"" + blank + "\" TvqVersion A:A:A",
              runs[0].commandLine);
    EXPECT_EQ("\"" + std::string(msvm.exePath) + "\" -cp:p \"" + blank + "\" TvqVersion A:A:A",
              runs[1].commandLine);
}

// The id of a running process with that executable name, or 0.
DWORD FindProcess(const std::string& exeName)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && !found;
         more = Process32Next(snapshot, &entry))
        if (_stricmp(entry.szExeFile, exeName.c_str()) == 0)
            found = entry.th32ProcessID;
    CloseHandle(snapshot);
    return found;
}

// The one slow case: the runner waits 20 seconds, then leaves the VM running.
TEST_F(RunnerTest, AVmStillRunningAfterTheWaitGives259AndIsLeftRunning)
{
    JdkLocator vm;
    VmBehaviour behaviour;
    behaviour.sleepMs = 30000;
    behaviour.exitCode = 314;
    Install(vm, dir / "slow\\bin\\slowjava.exe", behaviour);
    EXPECT_EQ(259, vm.Exec("TvqVersion A:A:A"));
    DWORD left = FindProcess("slowjava.exe");
    ASSERT_NE(0u, left) << "the VM was stopped";
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, left);
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
    // The runner's deletion was accepted while the VM held the capture file;
    // the file goes once the VM is gone.
    for (int attempt = 0; attempt < 100 && test_support::PathExists("C:\\stdout.tmp"); ++attempt)
        Sleep(100);
}

}  // namespace
