// The VM stand-ins themselves, started the way the launcher starts a VM:
// command line only, an inheritable capture file as standard output, no
// console, then the exit status and the captured bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "test_support.h"
#include "vm_doubles.h"

using test_support::ScratchDir;
using vm_doubles::JvmKind;
using vm_doubles::VmBehaviour;

namespace {

struct VmResult {
    bool started = false;
    bool ended = false;
    DWORD exitCode = 0;
    std::string captured;
    DWORD elapsedMs = 0;   // from start to end, for the record only
};

// Like the launcher's runner, but waits longer and stops a child that is
// still running, so that a failing case leaves nothing behind.
VmResult RunVm(const std::string& commandLine, const std::string& currentDir,
               const std::string& capturePath, bool inheritable = true, DWORD waitMs = 60000)
{
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, inheritable ? TRUE : FALSE};
    HANDLE capture = CreateFileA(capturePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, &security,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, capture) << capturePath;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = capture;
    PROCESS_INFORMATION info{};
    std::string line = commandLine;
    VmResult result;
    DWORD started = GetTickCount();
    result.started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, DETACHED_PROCESS,
                                    nullptr, currentDir.empty() ? nullptr : currentDir.c_str(),
                                    &startup, &info) != FALSE;
    if (result.started) {
        result.ended = WaitForSingleObject(info.hProcess, waitMs) == WAIT_OBJECT_0;
        result.elapsedMs = GetTickCount() - started;
        if (!result.ended) {
            TerminateProcess(info.hProcess, 1);
            WaitForSingleObject(info.hProcess, 5000);
        }
        GetExitCodeProcess(info.hProcess, &result.exitCode);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    SetFilePointer(capture, 0, nullptr, FILE_BEGIN);
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(capture, chunk, sizeof chunk, &got, nullptr) && got > 0)
        result.captured.append(chunk, got);
    CloseHandle(capture);
    DeleteFileA(capturePath.c_str());
    return result;
}

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

// ---- vm_double ---------------------------------------------------------

class VmDouble : public ::testing::Test {
protected:
    ScratchDir dir{"vmd"};
    std::string capture = dir / "stdout.tmp";
    std::string java = dir / "jdk\\bin\\java.exe";

    VmResult Run(const std::string& args = "TvqVersion A:A:A")
    {
        return RunVm(Quoted(java) + " " + args, "", capture);
    }
};

// Each behaviour goes through the .cfg file and back out of the child.
TEST_F(VmDouble, ExitStatusAndOutputAreAsConfigured)
{
    const struct {
        const char* name;
        VmBehaviour behaviour;
    } cases[] = {
        {"default configuration: silent success", {}},
        {"a probe's no", {159, "NO\r\n"}},
        {"a probe's yes", {314, "YES\r\n"}},
        {"T with status 0", {0, "T"}},
        {"status beyond one byte", {0x12345, ""}},
        {"bytes that need escaping", {1, std::string("a\\b\0\xff\t=\n", 8)}},
    };
    for (const auto& c : cases) {
        vm_doubles::InstallVmDouble(java, c.behaviour);
        VmResult result = Run();
        ASSERT_TRUE(result.started) << c.name;
        ASSERT_TRUE(result.ended) << c.name;
        EXPECT_EQ(c.behaviour.exitCode, result.exitCode) << c.name;
        EXPECT_EQ(c.behaviour.output, result.captured) << c.name;
    }
}

TEST_F(VmDouble, WithoutConfigurationExitsWithZeroSilently)
{
    vm_doubles::InstallVmDouble(java, {7, "X"});
    ASSERT_TRUE(DeleteFileA((dir / "jdk\\bin\\java.cfg").c_str()));
    VmResult result = Run();
    ASSERT_TRUE(result.ended);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ("", result.captured);
}

TEST_F(VmDouble, HandWrittenConfigurationUnderstandsEscapes)
{
    vm_doubles::InstallVmDouble(java);
    test_support::WriteText(dir / "jdk\\bin\\java.cfg",
                            "exit=0x13A\r\nwrite=Y\\x45S\\r\\n\\\\\r\nnonsense line\r\n");
    VmResult result = Run();
    ASSERT_TRUE(result.ended);
    EXPECT_EQ(314u, result.exitCode);
    EXPECT_EQ("YES\r\n\\", result.captured);
}

TEST_F(VmDouble, EachCopyReadsTheConfigurationNamedAfterIt)
{
    std::string jre = dir / "jdk\\bin\\jre.exe";
    vm_doubles::InstallVmDouble(java, {314, "java"});
    vm_doubles::InstallVmDouble(jre, {159, "jre"});
    VmResult viaJava = Run();
    VmResult viaJre = RunVm(Quoted(jre) + " -cp C:\\x\\ TvqVersion", "", capture);
    EXPECT_EQ(314u, viaJava.exitCode);
    EXPECT_EQ("java", viaJava.captured);
    EXPECT_EQ(159u, viaJre.exitCode);
    EXPECT_EQ("jre", viaJre.captured);
}

TEST_F(VmDouble, TenMegabytesOfOutputAllArrive)
{
    VmBehaviour big{0, "T"};
    big.bulkBytes = 10u * 1024 * 1024;
    vm_doubles::InstallVmDouble(java, big);
    VmResult result = Run();
    ASSERT_TRUE(result.ended);
    EXPECT_EQ(0u, result.exitCode);
    ASSERT_EQ(1 + big.bulkBytes, result.captured.size());
    EXPECT_EQ('T', result.captured[0]);
    EXPECT_EQ(std::string::npos, result.captured.find_first_not_of('.', 1));
}

TEST_F(VmDouble, SleepingDoubleIsStillActiveThenEndsWithItsStatus)
{
    VmBehaviour slow{7, "T"};
    slow.sleepMs = 3000;
    vm_doubles::InstallVmDouble(java, slow);
    VmResult early = RunVm(Quoted(java) + " X", "", capture, true, 100);
    EXPECT_FALSE(early.ended);

    VmResult full = Run();
    ASSERT_TRUE(full.ended);
    EXPECT_EQ(7u, full.exitCode);
    EXPECT_EQ("T", full.captured);
}

TEST_F(VmDouble, CrashEndsWithAccessViolationWithoutHanging)
{
    VmBehaviour crash{5, "T"};
    crash.crash = true;
    vm_doubles::InstallVmDouble(java, crash);
    // Wine's debugger, if it were started, would hold the process for good.
    VmResult result = RunVm(Quoted(java) + " X", "", capture, true, 15000);
    ASSERT_TRUE(result.ended);
    EXPECT_EQ((DWORD)EXCEPTION_ACCESS_VIOLATION, result.exitCode);
    EXPECT_EQ("T", result.captured);
}

TEST_F(VmDouble, RecordsCommandLineCurrentDirectoryAndStandardOutput)
{
    std::string record = dir / "runs.txt";
    std::string classDir = dir / "classes";
    ASSERT_TRUE(CreateDirectoryA(classDir.c_str(), nullptr));
    VmBehaviour recording;
    recording.recordPath = record;
    vm_doubles::InstallVmDouble(java, recording);

    std::string first = Quoted(java) + " TvqVersion A:A:A 1.1:A:A";
    std::string second = Quoted(java) + " -cp:p " + classDir + "\\ TvqVersion";
    RunVm(first, classDir, capture);
    RunVm(second, "", capture, false);

    std::vector<vm_doubles::VmRun> runs = vm_doubles::ReadVmRuns(record);
    ASSERT_EQ(2u, runs.size());
    EXPECT_EQ(first, runs[0].commandLine);
    EXPECT_EQ(classDir, runs[0].currentDir);
    EXPECT_EQ("writable", runs[0].standardOutput);
    EXPECT_EQ(second, runs[1].commandLine);
    char ownDir[MAX_PATH];
    GetCurrentDirectoryA(sizeof ownDir, ownDir);
    EXPECT_EQ(ownDir, runs[1].currentDir);
    // The capture handle was not inheritable: the child has no usable one.
    EXPECT_NE("writable", runs[1].standardOutput);
    EXPECT_TRUE(vm_doubles::ReadVmRuns(dir / "never.txt").empty());
}

// ---- java_bridge -------------------------------------------------------

enum class Shape { Jdk, Jre, MsVm };

struct ProbeCase {
    const char* name;
    Shape shape;
    JvmKind jvm;
    const char* requirement;
    DWORD exitCode;
    const char* answer;
};

class JavaBridge : public ::testing::Test {
protected:
    ScratchDir temp{"bridge"};    // under the prefix's C:, as the launcher's temp
    ScratchDir vms{"bridge-vms"};

    void SetUp() override
    {
        for (JvmKind jvm : {JvmKind::FullJdk, JvmKind::JavaBaseOnly}) {
            std::string java = vm_doubles::JvmPath(jvm);
            ASSERT_FALSE(java.empty())
                << "the build found no Linux JVM: install openjdk-17-jdk-headless";
            ASSERT_TRUE(test_support::PathExists("Z:" + java)) << java << " is missing";
        }
        std::string probe = std::string(WENDLE_SOURCE_DIR) + "\\res\\TvqVersion.class";
        ASSERT_TRUE(CopyFileA(probe.c_str(), (temp / "TvqVersion.class").c_str(), FALSE))
            << probe;
    }

    // The launcher's command line and current directory for each VM kind.
    VmResult Probe(Shape shape, JvmKind jvm, const std::string& requirement,
                   bool inheritable = true)
    {
        const char* names[] = {"java.exe", "jre.exe", "jview.exe"};
        std::string exe = vms / ((jvm == JvmKind::FullJdk ? "full\\" : "base\\") +
                                 std::string(names[(int)shape]));
        vm_doubles::InstallJavaBridge(exe, jvm);
        std::string tempDir = temp.path() + "\\";
        std::string capture = vms / "stdout.tmp";
        switch (shape) {
        case Shape::Jdk:
            return RunVm(Quoted(exe) + " TvqVersion " + requirement, tempDir, capture,
                         inheritable);
        case Shape::Jre:
            return RunVm(Quoted(exe) + " -cp " + tempDir + " TvqVersion " + requirement, "",
                         capture, inheritable);
        case Shape::MsVm:
            return RunVm(Quoted(exe) + " -cp:p " + tempDir + " TvqVersion " + requirement,
                         tempDir, capture, inheritable);
        }
        return {};
    }
};

TEST_F(JavaBridge, ProbeAnswersAsTheRealJvmDoes)
{
    const ProbeCase cases[] = {
        {"JDK kind, full JDK, any VM", Shape::Jdk, JvmKind::FullJdk, "A:A:A", 314, "YES"},
        {"JRE kind, full JDK, any VM", Shape::Jre, JvmKind::FullJdk, "A:A:A", 314, "YES"},
        {"MS VM kind, full JDK, any VM", Shape::MsVm, JvmKind::FullJdk, "A:A:A", 314, "YES"},
        {"JDK kind, java.base only, any VM", Shape::Jdk, JvmKind::JavaBaseOnly, "A:A:A", 314,
         "YES"},
        {"JRE kind, java.base only, any VM", Shape::Jre, JvmKind::JavaBaseOnly, "A:A:A", 314,
         "YES"},
        {"MS VM kind, java.base only, any VM", Shape::MsVm, JvmKind::JavaBaseOnly, "A:A:A", 314,
         "YES"},
        {"JDK kind, full JDK, 1.1", Shape::Jdk, JvmKind::FullJdk, "1.1:A:A", 314, "YES"},
        {"JRE kind, full JDK, 1.1", Shape::Jre, JvmKind::FullJdk, "1.1:A:A", 314, "YES"},
        {"MS VM kind, full JDK, 1.1", Shape::MsVm, JvmKind::FullJdk, "1.1:A:A", 314, "YES"},
        {"JDK kind, java.base only, 1.1", Shape::Jdk, JvmKind::JavaBaseOnly, "1.1:A:A", 159,
         "NO"},
        {"JRE kind, java.base only, 1.1", Shape::Jre, JvmKind::JavaBaseOnly, "1.1:A:A", 159,
         "NO"},
        {"MS VM kind, java.base only, 1.1", Shape::MsVm, JvmKind::JavaBaseOnly, "1.1:A:A", 159,
         "NO"},
        {"several alternatives reach the class", Shape::Jre, JvmKind::JavaBaseOnly,
         "1.1:A:A A:A:A", 314, "YES"},
        {"no alternative at all", Shape::Jdk, JvmKind::FullJdk, "", 159, "NO"},
    };
    for (const ProbeCase& c : cases) {
        VmResult result = Probe(c.shape, c.jvm, c.requirement);
        ASSERT_TRUE(result.started) << c.name;
        ASSERT_TRUE(result.ended) << c.name;
        EXPECT_EQ(c.exitCode, result.exitCode) << c.name;
        EXPECT_EQ(std::string(c.answer) + "\n", result.captured) << c.name;
        printf("[ probe    ] %-40s %4lu ms\n", c.name, (unsigned long)result.elapsedMs);
    }
}

TEST_F(JavaBridge, OutputOnlyThroughAnInheritedHandleButStatusAlways)
{
    VmResult result = Probe(Shape::Jre, JvmKind::FullJdk, "A:A:A", false);
    ASSERT_TRUE(result.ended);
    EXPECT_EQ(314u, result.exitCode);
    EXPECT_EQ("", result.captured);
}

TEST_F(JavaBridge, ClassNotFoundIsTheJvmsFailure)
{
    ASSERT_TRUE(DeleteFileA((temp / "TvqVersion.class").c_str()));
    VmResult result = Probe(Shape::Jdk, JvmKind::FullJdk, "A:A:A");
    ASSERT_TRUE(result.ended);
    EXPECT_EQ(1u, result.exitCode);
    EXPECT_EQ("", result.captured);
}

}  // namespace
