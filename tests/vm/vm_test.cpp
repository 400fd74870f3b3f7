// The VM kinds: where each finds its VM, how each runs a class, the process
// runner's verdict, the table's report and its matching of a named file.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <atomic>
#include <thread>

#include "app/launcher_app.h"
#include "harness.h"
#include "payload/run_log.h"
#include "vm/modern_kinds.h"
#include "vm/vm_kinds.h"
#include "vm/vm_table.h"

namespace {

const std::string kJdk = "Software\\JavaSoft\\Java Development Kit";
const std::string kJre = "Software\\JavaSoft\\Java Runtime Environment";
const std::string kModern = "Software\\JavaSoft\\JDK";

struct Value {
    std::string key;
    const char* name;
    std::string data;
    bool view64;
};

// What the original kinds find in slots 0 to 2, then what the further
// roads add, joined by '|'.
std::string Located()
{
    VmTable table;
    table.CreateKinds();
    table.LocateAll();
    std::string found;
    for (int slot = 0; slot < kRuntimeSlot; ++slot) {
        if (slot < kOriginalKinds || table.IsFound(slot))
            found += std::string(slot ? "|" : "") + table.slots[slot]->exePath;
    }
    return found;
}

class VmKinds : public ::testing::Test {
protected:
    void SetUp() override
    {
        ForgetPc();
        wt::MakeDirs("C:\\vms\\cls");
        SetCurrentDirectoryA("C:\\vms");
        CopyText(GetLauncherApp()->tempDir, kTextBufferSize, "C:\\vms\\");
        GetLauncherApp()->CreateWorkDir();
    }
    static void ForgetPc()
    {
        wt::ForgetAllVms();
        // From the Unix side: Windows programs see no link whose target has gone.
        wine::RunUnix({"/bin/rm", "-rf", wt::UnixPath("C:\\pc")});
        // The folders that Java is unpacked into, empty unless a PC fills them.
        SetEnvironmentVariableA("USERPROFILE", "C:\\pc\\user");
        SetEnvironmentVariableA("ProgramW6432", "C:\\pc\\pf");
        SetEnvironmentVariableA("ProgramFiles", sizeof(void*) == 8 ? "C:\\pc\\pf" : "C:\\pc\\pf86");
        SetEnvironmentVariableA("ProgramFiles(x86)", "C:\\pc\\pf86");
    }
    void TearDown() override
    {
        GetLauncherApp()->RemoveWorkDir();
        ForgetPc();
    }
};

TEST_F(VmKinds, EachOriginalKindFindsItsOwnInstallation)
{
    const std::string jview = wt::WindowsDir() + "\\jview.exe";
    struct {
        const char* what;
        std::vector<Value> values;
        std::vector<std::string> files;
        std::string expected;
        // What the 64-bit build finds instead, where it differs on purpose.
        std::string expected64 = "";
    } cases[] = {
        {"a JDK under its key", {{kJdk, "CurrentVersion", "1.8"}, {kJdk + "\\1.8", "JavaHome", "C:\\vms\\jdk"}},
         {"C:\\vms\\jdk\\Bin\\java.exe"}, "C:\\vms\\jdk\\Bin\\java.exe||"},
        {"a JavaHome ending in a backslash", {{kJdk, "CurrentVersion", "1.8"}, {kJdk + "\\1.8", "JavaHome", "C:\\vms\\jdk\\"}},
         {"C:\\vms\\jdk\\Bin\\java.exe"}, "C:\\vms\\jdk\\Bin\\java.exe||"},
        {"no CurrentVersion: the JDK kind passes, the versions' road finds it", {{kJdk + "\\1.8", "JavaHome", "C:\\vms\\jdk"}},
         {"C:\\vms\\jdk\\Bin\\java.exe"}, "|||C:\\vms\\jdk\\Bin\\java.exe"},
        {"no JavaHome", {{kJdk, "CurrentVersion", "1.8"}, {kJdk + "\\1.8", "Home", "C:\\vms\\jdk"}},
         {"C:\\vms\\jdk\\Bin\\java.exe"}, "||"},
        {"no java.exe", {{kJdk, "CurrentVersion", "1.8"}, {kJdk + "\\1.8", "JavaHome", "C:\\vms\\jdk"}}, {}, "||"},
        {"a JRE with jre.exe and java.exe, one installation", {{kJre, "CurrentVersion", "1.1"}, {kJre + "\\1.1", "JavaHome", "C:\\vms\\jre"}},
         {"C:\\vms\\jre\\Bin\\java.exe", "C:\\vms\\jre\\Bin\\jre.exe"}, "|C:\\vms\\jre\\Bin\\jre.exe|"},
        // Values go to the 32-bit view unless marked: the 64-bit build reads
        // them as the other view.
        {"a JRE with java.exe alone in the 32-bit view", {{kJre, "CurrentVersion", "1.1"}, {kJre + "\\1.1", "JavaHome", "C:\\vms\\jre"}},
         {"C:\\vms\\jre\\Bin\\java.exe"}, "|C:\\vms\\jre\\Bin\\java.exe|"},
        {"jview.exe in the Windows directory", {}, {jview}, "||" + jview},
        {"jview.exe elsewhere", {}, {"C:\\vms\\jview.exe"}, "||"},
        {"a JDK in the 64-bit view alone (under WOW64 for the 32-bit build)", {{kJdk, "CurrentVersion", "1.8", true}, {kJdk + "\\1.8", "JavaHome", "C:\\vms\\jdk", true}},
         {"C:\\vms\\jdk\\Bin\\java.exe"}, "C:\\vms\\jdk\\Bin\\java.exe||"},
        {"a JDK in each view: the launcher's own view first, the other one after the kinds",
         {{kJdk, "CurrentVersion", "1.8"}, {kJdk + "\\1.8", "JavaHome", "C:\\vms\\jdk32"},
          {kJdk, "CurrentVersion", "1.8", true}, {kJdk + "\\1.8", "JavaHome", "C:\\vms\\jdk64", true}},
         {"C:\\vms\\jdk32\\Bin\\java.exe", "C:\\vms\\jdk64\\Bin\\java.exe"},
         "C:\\vms\\jdk32\\Bin\\java.exe|||C:\\vms\\jdk64\\Bin\\java.exe",
         "C:\\vms\\jdk64\\Bin\\java.exe|||C:\\vms\\jdk32\\Bin\\java.exe"},
    };
    for (const auto& each : cases) {
        wt::ForgetAllVms();
        for (const Value& value : each.values)
            wt::SetMachineValue(value.key, value.name, value.data, value.view64);
        for (const std::string& file : each.files) {
            wt::MakeDirs(file.substr(0, file.rfind('\\')));
            wt::WriteFile(file, "MZ");
        }
        bool build64 = sizeof(void*) == 8;
        EXPECT_EQ(build64 && !each.expected64.empty() ? each.expected64 : each.expected, Located()) << each.what;
    }
}

std::vector<std::string> Split(const std::string& text)
{
    std::vector<std::string> part;
    for (size_t at = 0, end; at <= text.size(); at = end + 1)
        part.push_back(text.substr(at, (end = std::min(text.find('|', at), text.size())) - at));
    return part;
}

// A path without a drive lies in C:\pc; a folder stands for its bin\java.exe.
std::string Pc(const std::string& path, bool exe = false)
{
    std::string full = path.find(':') == std::string::npos ? "C:\\pc\\" + path : path;
    return exe && full.find(".exe") == std::string::npos ? full + "\\bin\\java.exe" : full;
}

// One piece of a PC, '|'-separated: "HKLM|key|name|folder" (HKLM64: in the
// 64-bit view; HKCU: the user's), "ENV|name|value" ("~folder": its short
// name), "LINK|path|target" (a symbolic link), "DIR|folder", "VM|path". A
// last part "folder=answer" also installs a VM there that answers yes, no,
// or is a real JVM: JDK 17 told that it is of that feature version, or
// the java.base runtime ("base").
void SetUpPc(const std::string& line)
{
    std::vector<std::string> part = Split(line);
    std::string value = part.back().substr(0, part.back().find('=')), answer;
    if (value.size() < part.back().size())
        answer = part.back().substr(value.size() + 1);
    if (!answer.empty())
        wt::InstallVm(Pc(value, true), answer == "yes" ? "exit=314" : answer == "no" ? "exit=159"
                                       : answer == "base" ? wt::RealJvm(true) : wt::RealJvm(false, answer));
    if (part[0].rfind("HK", 0) == 0)
        wt::SetMachineValue(part[1], part[2].c_str(), part[2] == "CurrentVersion" ? value : Pc(value), part[0] == "HKLM64",
                            part[0] == "HKCU");
    else if (part[0] == "ENV")
        SetEnvironmentVariableW(wt::Wide(part[1]).c_str(), wt::Wide(value[0] == '~' ? wt::ShortPath(Pc(value.substr(1))) : Pc(value)).c_str());
    else if (part[0] == "LINK")
        wt::MakeDirs(Pc(part[1]).substr(0, Pc(part[1]).rfind('\\'))), wine::RunUnix({"/bin/ln", "-s", wt::UnixPath(Pc(value, true)), wt::UnixPath(Pc(part[1]))});
    else if (part[0] == "DIR")
        wt::MakeDirs(Pc(value));
}

// The report of a search on this PC with requirement.
std::string Report(const char* requirement, VmTable& table)
{
    table.Search(GetLauncherApp()->workDir, requirement);
    FILE* output = tmpfile();
    table.PrintReport(output);
    std::string report(ftell(output), '\0');
    rewind(output);
    report.resize(fread(&report[0], 1, report.size(), output));
    fclose(output);
    return report;
}

TEST_F(VmKinds, EveryJavaOnThePcIsProbedOnce)
{
    const std::string adoptium = "HKLM|Software\\Eclipse Adoptium\\JDK\\", msi = "\\hotspot\\MSI|Path|";
    struct {
        const char* what;
        std::vector<std::string> pc;
        const char* requirement;
        std::string vms, vms64 = "";   // the report's lines, '|'-separated: + YES, - NO; vms64 where the 64-bit build differs
    } cases[] = {
        {"Temurin 8 and 21 and Zulu 11, for 8 to 11", {adoptium + "8.0.392.8" + msi + "t8=8", adoptium + "21.0.1.12" + msi + "t21=21",
          "HKLM|Software\\Azul Systems\\Zulu\\zulu-11|InstallationPath|z11=11"}, "8-11:A:A", "-t21|+t8|+z11"},
        {"one JDK by four roads: the old key, its own (other case), JAVA_HOME (short name), PATH",
         {"HKLM|" + kJdk + "|CurrentVersion|17", "HKLM|" + kJdk + "\\17|JavaHome|Jdk Seventeen=yes",
          adoptium + "17.0.9.9" + msi + "c:\\PC\\JDK SEVENTEEN\\", "ENV|JAVA_HOME|~Jdk Seventeen", "ENV|PATH|Jdk Seventeen\\bin"},
         "A:A:A", "+Jdk Seventeen\\Bin\\java.exe"},
        {"real JVMs by two roads: a per-user Temurin, java.base on PATH alone",
         {"HKCU|Software\\Eclipse Adoptium\\JDK\\17.0.9.9" + msi + "mine=17", "VM|base=base", "ENV|PATH|C:\\pc\\base\\bin"},
         "1.1:A:A", "+mine|-base"},
        {"a Java on PATH alone, the Java that javapath links to, and none from a relative folder (the current one)",
         {"VM|tools\\java.exe=no", "LINK|javapath\\java.exe|jre8=yes", "VM|C:\\vms\\java.exe=yes",
          "ENV|PATH|.;C:\\pc\\none;;C:\\pc\\tools;\"C:\\pc\\javapath\""},
         "A:A:A", "-tools\\java.exe|+jre8"},
        {"Oracle's javapath launchers, copies or links to copies, of a Java its keys name",
         {"HKLM|" + kModern + "\\17|JavaHome|jre17=yes", "VM|Oracle\\Java\\javapath\\java.exe=yes",
          "VM|javapath_target_1\\java.exe=yes", "LINK|data\\javapath\\java.exe|javapath_target_1\\java.exe",
          "ENV|PATH|C:\\pc\\Oracle\\Java\\javapath;C:\\pc\\data\\javapath"},
         "A:A:A", "+jre17"},
        {"unpacked into .jdks and by scoop, newest first",
         {"VM|user\\.jdks\\corretto-17.0.9=yes", "VM|user\\.jdks\\openjdk-21.0.1=no", "DIR|user\\.jdks\\jdk-22",
          "VM|user\\scoop\\apps\\temurin11-jdk\\current=yes"},
         "A:A:A", "-user\\.jdks\\openjdk-21.0.1|+user\\.jdks\\corretto-17.0.9|+user\\scoop\\apps\\temurin11-jdk\\current"},
        {"unpacked into Program Files: the 64-bit one first, Microsoft's jdk-* only",
         {"VM|pf86\\Zulu\\zulu-8=yes", "VM|pf\\Java\\jdk1.8.0_391=yes", "VM|pf\\Java\\jdk-17=yes", "VM|pf\\Microsoft\\Edge=yes",
          "VM|pf\\Microsoft\\jdk-11.0.21.9-hotspot=yes"},
         "A:A:A", "+pf\\Java\\jdk-17|+pf\\Java\\jdk1.8.0_391|+pf\\Microsoft\\jdk-11.0.21.9-hotspot|+pf86\\Zulu\\zulu-8"},
        {"keys naming folders without bin\\java.exe are passed over",
         {"HKLM|" + kModern + "\\17|JavaHome|gone", "HKLM|Software\\BellSoft\\Liberica\\jdk-17|InstallationPath|lib",
          "VM|lib\\java.exe=yes"}, "A:A:A", ""},
        {"every vendor's keys in their order, after the JRE kind's own, then JAVA_HOME",
         {"HKLM|Software\\Microsoft\\JDK\\21.0.1" + msi + "ms=no", "HKLM|Software\\BellSoft\\Liberica\\jdk-17|InstallationPath|lib17=yes",
          "HKLM|Software\\Azul Systems\\Zulu 32-bit\\zulu-8|InstallationPath|zulu32=yes", "ENV|JAVA_HOME|home=yes",
          "HKLM|Software\\Eclipse Adoptium\\JRE\\8.0.392.8" + msi + "tjre=yes", "HKLM|" + kJre + "|CurrentVersion|1.8",
          "HKLM|" + kJre + "\\1.8|JavaHome|jre8=yes", "HKLM|" + kJre + "\\1.7|JavaHome|jre7=yes",
          "HKLM|Software\\JavaSoft\\JRE\\9|JavaHome|jre9=yes"},
         "A:A:A", "+jre8\\Bin\\java.exe|+jre9|+jre7|+tjre|-ms|+zulu32|+lib17|+home"},
        {"the 64-bit build reads its own view first", {"HKLM|" + kModern + "\\17|JavaHome|j32=yes", "HKLM64|" + kModern + "\\21|JavaHome|j64=no"},
         "A:A:A", "+j32|-j64", "-j64|+j32"},
    };
    for (const auto& each : cases) {
        ForgetPc();
        wt::MakeDirs(GetLauncherApp()->workDir);
        std::filesystem::copy_file(wt::P(TESTS_DIR "/../res/TvqVersion.class"),
                                   wt::P(GetLauncherApp()->workDir + std::string("TvqVersion.class")));
        for (const std::string& line : each.pc)
            SetUpPc(line);
        std::vector<std::string> vms = Split(sizeof(void*) == 8 && !each.vms64.empty() ? each.vms64 : each.vms);
        std::string report = std::to_string(each.vms.empty() ? 0 : vms.size()) + "\n";
        for (size_t vm = 0; !each.vms.empty() && vm < vms.size(); ++vm)
            report += (vms[vm][0] == '+' ? "YES " : "NO ") + Pc(vms[vm].substr(1), true) + "\n";
        VmTable table;
        EXPECT_EQ(report, Report(each.requirement, table)) << each.what;
    }
}

// Forty installations: the three original kinds and the newest 29 of 37
// unpacked JDKs are kept and probed, never more than eight at once; the
// other eight are named in the run's log, not probed.
TEST_F(VmKinds, SlowFortyInstallationsKeepThirtyTwoProbedEightAtATime)
{
    // The verdict is the captured "T": probes side by side must not share a capture file.
    const std::string answer = "write=T\nsleep=1500\nrecord=C:\\pc\\runs.txt";
    std::string report = "32\n";
    for (wt::Kind kind : {wt::kJdk, wt::kJre, wt::kJview})
        report += "YES " + wt::InstallKind(kind, answer, Pc(std::to_string(kind))) + "\n";
    std::vector<std::string> leftOut;
    for (int jdk = 137; jdk > 100; --jdk) {
        std::string exe = Pc("user\\.jdks\\jdk-" + std::to_string(jdk), true);
        wt::InstallVm(exe, answer);
        if (jdk > 108)
            report += "YES " + exe + "\n";
        else
            leftOut.push_back(exe);
    }
    VmTable table;
    OpenRunLog("C:\\pc\\forty.log");
    std::atomic<bool> done(false);
    int peak = 0;
    std::thread watch([&] {
        for (; !done; Sleep(5))
            peak = std::max(peak, wt::Running("java.exe"));
    });
    EXPECT_EQ(report, Report("A:A:A", table));
    done = true;
    watch.join();
    CloseRunLog();
    std::string log = wt::ReadFile("C:\\pc\\forty.log");
    size_t at = 0;
    for (const std::string& exe : leftOut)
        EXPECT_NE(std::string::npos, at = log.find(exe + ": not listed", at)) << exe << "\n" << log;
    EXPECT_EQ(32u, wt::RecordedRuns("C:\\pc\\runs.txt").size());
    EXPECT_LE(peak, 8);
    EXPECT_GT(peak, 1) << "side by side";
}

// A standard user may read the machine's keys but not open them for writing.
TEST_F(VmKinds, KeysThatMayOnlyBeReadAreRead)
{
    wt::SetMachineValue(kJdk, "CurrentVersion", "1.8");
    wt::SetMachineValue(kJdk + "\\1.8", "JavaHome", "C:\\vms\\jdk");
    wt::MakeDirs("C:\\vms\\jdk\\Bin");
    wt::WriteFile("C:\\vms\\jdk\\Bin\\java.exe", "MZ");
    for (const char* sddl : {"D:(A;;KR;;;WD)", "D:(A;;KA;;;WD)"}) {
        PSECURITY_DESCRIPTOR descriptor;
        ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr);
        for (const std::string& key : {kJdk, kJdk + "\\1.8"}) {
            HKEY handle;
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, WRITE_DAC | KEY_WOW64_32KEY, &handle);
            RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, descriptor);
            RegCloseKey(handle);
        }
        LocalFree(descriptor);
        EXPECT_EQ("C:\\vms\\jdk\\Bin\\java.exe||", Located()) << sddl;
    }
}

// Runs exePath (a stub configured by config) with arguments.
int Exec(const std::string& config, const char* arguments = "Cls")
{
    JdkLocator vm;
    CopyText(vm.exePath, sizeof vm.exePath, "C:\\vms\\vm.exe");
    if (!config.empty())
        wt::InstallVm(vm.exePath, config);
    return vm.Exec(arguments, nullptr, GetLauncherApp()->workDir);
}

TEST_F(VmKinds, TheRunnerTakesAFirstTOrElseTheExitStatus)
{
    struct {
        const char* config;
        int result;
    } cases[] = {
        {"exit=314", 314},       {"write=NO\r\nexit=159", 159}, {"exit=0", 0},
        {"write=T\nexit=0", 314}, {"write=TRUE\nexit=159", 314}, {"write=XT\nexit=5", 5},
        {"", -1},
    };
    for (const auto& each : cases) {
        DeleteFileA("C:\\vms\\vm.exe");
        EXPECT_EQ(each.result, Exec(each.config)) << each.config;
        EXPECT_EQ(std::vector<std::string>{}, wt::List(GetLauncherApp()->workDir)) << "capture file: " << each.config;
        EXPECT_FALSE(wt::Exists("C:\\stdout.tmp"));
        DeleteFileA("C:\\vms\\vm.cfg");
    }
}

TEST_F(VmKinds, SlowAVmThatHangsIsNotSuitableAfterTwentySeconds)
{
    EXPECT_EQ(STILL_ACTIVE, Exec("sleep=30000\nexit=314"));
    EXPECT_EQ(0, wt::Running("vm.exe")) << "ended at the limit";
}

// Real JVMs check each kind's command line in the probe-mode scenarios; here
// the folders each kind uses (the launcher's own stays put), an empty
// argument text, and the longest requirement with a long run folder, which
// every kind passes on whole.
TEST_F(VmKinds, EachKindLaysOutItsCommandLineAndFolder)
{
    JdkLocator jdk;
    JreLocator jre;
    MsVmLocator jview;
    ClassPathKind modern;
    const std::string exe = "\"C:\\vms\\vm.exe\" ", cls = "C:\\vms\\cls\\", r259(259, 'r');
    const std::string run = "C:\\vms\\" + std::string(200, 'f') + " x", quoted = "\"" + run + "\" Cls " + r259;
    struct {
        VmLocator* kind;
        std::string classDir;
        const char* classArgs;
        std::string run;   // command line|child's folder
    } cases[] = {
        {&jdk, cls, "A:A:A B", exe + "Cls A:A:A B|C:\\vms\\cls"},
        {&jre, cls, "", exe + "-cp C:\\vms\\cls\\ Cls |C:\\vms"},
        {&jview, cls, nullptr, exe + "-cp:p C:\\vms\\cls\\ Cls|C:\\vms\\cls"},
        {&jdk, run + "\\", r259.c_str(), exe + "Cls " + r259 + "|" + run},
        {&jre, run + "\\", r259.c_str(), exe + "-cp " + quoted + "|C:\\vms"},
        {&jview, run + "\\", r259.c_str(), exe + "-cp:p " + quoted + "|" + run},
        {&modern, run + "\\", r259.c_str(), exe + "-cp " + quoted + "|C:\\vms"},
    };
    wt::InstallVm("C:\\vms\\vm.exe", "record=C:\\vms\\runs.txt\nexit=7");
    wt::MakeDirs(run);
    for (const auto& each : cases) {
        DeleteFileA("C:\\vms\\runs.txt");
        CopyText(each.kind->exePath, kTextBufferSize, "C:\\vms\\vm.exe");
        EXPECT_EQ(7, each.kind->RunClass(each.classDir.c_str(), "Cls", each.classArgs));
        std::vector<std::string> runs = wt::RecordedRuns("C:\\vms\\runs.txt");
        EXPECT_EQ(each.run, runs.empty() ? "" : runs[0]);
        EXPECT_EQ("C:\\vms", std::filesystem::current_path().string());
    }
    DeleteFileA("C:\\vms\\runs.txt");
    EXPECT_EQ(-1, jre.RunClass(cls.c_str(), "Cls", std::string(kArgumentsSize, 'r').c_str())) << "beyond the bounds";
    EXPECT_EQ(0u, wt::RecordedRuns("C:\\vms\\runs.txt").size());
    EXPECT_EQ(0, jre.Check(GetLauncherApp()->workDir, "A:A:A")) << "7 is not suitable";
    wt::InstallVm("C:\\vms\\vm.exe", "exit=314");
    EXPECT_EQ(1, jre.Check(GetLauncherApp()->workDir, "A:A:A"));
}

TEST(VmTable, TheFirstKindThatKnowsAFileNameTakesIt)
{
    VmTable table;
    table.CreateKinds();
    struct {
        const char* path;
        int slot;
    } cases[] = {{"C:\\x\\JAVA.EXE", 0}, {"C:\\x\\jre.exe", 1}, {"D:\\y\\jview.exe", 2}, {"C:\\x\\javaw.exe", -1},
                 {"C:\\jdk\\bin\\", -1}, {"java.exe", -1}, {"C:\\x\\java.exe ", -1}};
    for (const auto& each : cases) {
        VmLocator* found = table.FindByExecutable(each.path);
        EXPECT_EQ(each.slot < 0 ? nullptr : table.slots[each.slot], found) << each.path;
        if (found != nullptr)
            EXPECT_STREQ(each.path, found->exePath);
    }
}

}  // namespace
