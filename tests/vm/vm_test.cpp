// The VM kinds: where each finds its VM, how each runs a class, the process
// runner's verdict, the table's report and its matching of a named file.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <atomic>
#include <thread>

#include "app/launcher_app.h"
#include "harness.h"
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
        {"no CurrentVersion: the version is still listed", {{kJdk + "\\1.8", "JavaHome", "C:\\vms\\jdk"}},
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

// One piece of a PC, '|'-separated: "HKLM|key|name|value" (HKLM64: in the
// 64-bit view; HKCU: the user's), "ENV|name|value" (a value "~path" is that
// folder's short name), "VM|path|answer" (yes, no, or the feature version
// of a real JVM), "LINK|path|target" (a symbolic link), "DIR|path".
void SetUpPc(const std::string& line)
{
    std::vector<std::string> part;
    for (size_t at = 0, end; at <= line.size(); at = end + 1)
        part.push_back(line.substr(at, (end = std::min(line.find('|', at), line.size())) - at));
    if (part[0].rfind("HK", 0) == 0) {
        wt::SetMachineValue(part[1], part[2].c_str(), part[3], part[0] == "HKLM64", part[0] == "HKCU");
    } else if (part[0] == "ENV") {
        SetEnvironmentVariableW(wt::Wide(part[1]).c_str(),
                                wt::Wide(part[2][0] == '~' ? wt::ShortPath(part[2].substr(1)) : part[2]).c_str());
    } else if (part[0] == "VM") {
        wt::InstallVm(part[1], part[2] == "yes" ? "exit=314" : part[2] == "no" ? "exit=159" : wt::RealJvm(false, part[2]));
    } else if (part[0] == "LINK") {
        wt::MakeDirs(part[1].substr(0, part[1].rfind('\\')));
        wine::RunUnix({"/bin/ln", "-s", wt::UnixPath(part[2]), wt::UnixPath(part[1])});
    } else {
        wt::MakeDirs(part[1]);
    }
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
    const std::string adoptium = "HKLM|Software\\Eclipse Adoptium\\JDK\\";
    struct {
        const char* what;
        std::vector<std::string> pc;
        const char* requirement;
        std::string report;
        std::string report64 = "";   // where the 64-bit build differs
    } cases[] = {
        {"Temurin 8 and 21 and Zulu 11, for 8 to 11",
         {adoptium + "8.0.392.8\\hotspot\\MSI|Path|C:\\pc\\t8", adoptium + "21.0.1.12\\hotspot\\MSI|Path|C:\\pc\\t21",
          "HKLM|Software\\Azul Systems\\Zulu\\zulu-11|InstallationPath|C:\\pc\\z11", "VM|C:\\pc\\t8\\bin\\java.exe|8",
          "VM|C:\\pc\\t21\\bin\\java.exe|21", "VM|C:\\pc\\z11\\bin\\java.exe|11"},
         "8-11:A:A",
         "3\nNO C:\\pc\\t21\\bin\\java.exe\nYES C:\\pc\\t8\\bin\\java.exe\nYES C:\\pc\\z11\\bin\\java.exe\n"},
        {"one JDK by four roads: the old key, its own (other case), JAVA_HOME (short name), PATH",
         {"VM|C:\\pc\\Jdk Seventeen\\bin\\java.exe|yes", "HKLM|" + kJdk + "|CurrentVersion|17",
          "HKLM|" + kJdk + "\\17|JavaHome|C:\\pc\\Jdk Seventeen", adoptium + "17.0.9.9\\hotspot\\MSI|Path|c:\\PC\\JDK SEVENTEEN\\",
          "ENV|JAVA_HOME|~C:\\pc\\Jdk Seventeen", "ENV|PATH|C:\\pc\\Jdk Seventeen\\bin"},
         "A:A:A", "1\nYES C:\\pc\\Jdk Seventeen\\Bin\\java.exe\n"},
        {"a per-user Temurin", {"HKCU|Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI|Path|C:\\pc\\mine",
                                "VM|C:\\pc\\mine\\bin\\java.exe|yes"},
         "A:A:A", "1\nYES C:\\pc\\mine\\bin\\java.exe\n"},
        {"a Java on PATH alone, and the Java that javapath links to",
         {"VM|C:\\pc\\tools\\java.exe|no", "VM|C:\\pc\\jre8\\bin\\java.exe|yes",
          "LINK|C:\\pc\\javapath\\java.exe|C:\\pc\\jre8\\bin\\java.exe",
          "ENV|PATH|C:\\pc\\none;;C:\\pc\\tools;\"C:\\pc\\javapath\""},
         "A:A:A", "2\nNO C:\\pc\\tools\\java.exe\nYES C:\\pc\\jre8\\bin\\java.exe\n"},
        {"unpacked into .jdks and by scoop, newest first",
         {"VM|C:\\pc\\user\\.jdks\\corretto-17.0.9\\bin\\java.exe|yes", "VM|C:\\pc\\user\\.jdks\\openjdk-21.0.1\\bin\\java.exe|no",
          "DIR|C:\\pc\\user\\.jdks\\jdk-22", "VM|C:\\pc\\user\\scoop\\apps\\temurin11-jdk\\current\\bin\\java.exe|yes"},
         "A:A:A",
         "3\nNO C:\\pc\\user\\.jdks\\openjdk-21.0.1\\bin\\java.exe\nYES C:\\pc\\user\\.jdks\\corretto-17.0.9\\bin\\java.exe\n"
         "YES C:\\pc\\user\\scoop\\apps\\temurin11-jdk\\current\\bin\\java.exe\n"},
        {"unpacked into Program Files: the 64-bit one first, Microsoft's jdk-* only",
         {"VM|C:\\pc\\pf86\\Zulu\\zulu-8\\bin\\java.exe|yes", "VM|C:\\pc\\pf\\Java\\jdk1.8.0_391\\bin\\java.exe|yes",
          "VM|C:\\pc\\pf\\Java\\jdk-17\\bin\\java.exe|yes", "VM|C:\\pc\\pf\\Microsoft\\Edge\\bin\\java.exe|yes",
          "VM|C:\\pc\\pf\\Microsoft\\jdk-11.0.21.9-hotspot\\bin\\java.exe|yes"},
         "A:A:A",
         "4\nYES C:\\pc\\pf\\Java\\jdk-17\\bin\\java.exe\nYES C:\\pc\\pf\\Java\\jdk1.8.0_391\\bin\\java.exe\n"
         "YES C:\\pc\\pf\\Microsoft\\jdk-11.0.21.9-hotspot\\bin\\java.exe\nYES C:\\pc\\pf86\\Zulu\\zulu-8\\bin\\java.exe\n"},
        {"keys naming folders without bin\\java.exe are passed over",
         {"HKLM|Software\\JavaSoft\\JDK\\17|JavaHome|C:\\pc\\gone", "HKLM|Software\\BellSoft\\Liberica\\jdk-17|InstallationPath|C:\\pc\\lib",
          "VM|C:\\pc\\lib\\java.exe|yes"},
         "A:A:A", "0\n"},
        {"every vendor's keys in their order, after the JRE kind's own",
         {"HKLM|Software\\Microsoft\\JDK\\21.0.1\\hotspot\\MSI|Path|C:\\pc\\ms",
          "HKLM|Software\\BellSoft\\Liberica\\jdk-17|InstallationPath|C:\\pc\\lib17",
          "HKLM|Software\\Azul Systems\\Zulu 32-bit\\zulu-8|InstallationPath|C:\\pc\\zulu32",
          "HKLM|Software\\Eclipse Adoptium\\JRE\\8.0.392.8\\hotspot\\MSI|Path|C:\\pc\\tjre",
          "HKLM|" + kJre + "|CurrentVersion|1.8", "HKLM|" + kJre + "\\1.8|JavaHome|C:\\pc\\jre8",
          "HKLM|" + kJre + "\\1.7|JavaHome|C:\\pc\\jre7", "HKLM|Software\\JavaSoft\\JRE\\9|JavaHome|C:\\pc\\jre9",
          "ENV|JAVA_HOME|C:\\pc\\home", "VM|C:\\pc\\ms\\bin\\java.exe|no", "VM|C:\\pc\\lib17\\bin\\java.exe|yes",
          "VM|C:\\pc\\zulu32\\bin\\java.exe|yes", "VM|C:\\pc\\tjre\\bin\\java.exe|yes", "VM|C:\\pc\\jre8\\bin\\java.exe|yes",
          "VM|C:\\pc\\jre7\\bin\\java.exe|yes", "VM|C:\\pc\\jre9\\bin\\java.exe|yes", "VM|C:\\pc\\home\\bin\\java.exe|yes"},
         "A:A:A",
         "8\nYES C:\\pc\\jre8\\Bin\\java.exe\nYES C:\\pc\\jre9\\bin\\java.exe\nYES C:\\pc\\jre7\\bin\\java.exe\n"
         "YES C:\\pc\\tjre\\bin\\java.exe\nNO C:\\pc\\ms\\bin\\java.exe\nYES C:\\pc\\zulu32\\bin\\java.exe\n"
         "YES C:\\pc\\lib17\\bin\\java.exe\nYES C:\\pc\\home\\bin\\java.exe\n"},
        {"the 64-bit build reads its own view first",
         {"HKLM|" + kModern + "\\17|JavaHome|C:\\pc\\j32", "HKLM64|" + kModern + "\\21|JavaHome|C:\\pc\\j64",
          "VM|C:\\pc\\j32\\bin\\java.exe|yes", "VM|C:\\pc\\j64\\bin\\java.exe|no"},
         "A:A:A", "2\nYES C:\\pc\\j32\\bin\\java.exe\nNO C:\\pc\\j64\\bin\\java.exe\n",
         "2\nNO C:\\pc\\j64\\bin\\java.exe\nYES C:\\pc\\j32\\bin\\java.exe\n"},
    };
    for (const auto& each : cases) {
        ForgetPc();
        wt::MakeDirs(GetLauncherApp()->workDir);
        std::filesystem::copy_file(wt::P(TESTS_DIR "/../res/TvqVersion.class"),
                                   wt::P(GetLauncherApp()->workDir + std::string("TvqVersion.class")));
        for (const std::string& line : each.pc)
            SetUpPc(line);
        VmTable table;
        bool build64 = sizeof(void*) == 8;
        EXPECT_EQ(build64 && !each.report64.empty() ? each.report64 : each.report, Report(each.requirement, table))
            << each.what;
    }
}

std::vector<std::string> leftOutNames;

// Forty installations: the three original kinds and the newest 29 of 37
// unpacked JDKs are kept and probed, never more than eight at once; the
// other eight are handed to the hook, not probed.
TEST_F(VmKinds, SlowFortyInstallationsKeepThirtyTwoProbedEightAtATime)
{
    // The verdict is the captured "T": probes side by side must not share a capture file.
    const std::string answer = "write=T\nsleep=1500\nrecord=C:\\pc\\runs.txt", jview = wt::WindowsDir() + "\\jview.exe";
    wt::InstallKind(wt::kJdk, answer, "C:\\pc\\jdk");
    wt::SetMachineValue(kJre, "CurrentVersion", "1.8");
    wt::SetMachineValue(kJre + "\\1.8", "JavaHome", "C:\\pc\\jre");
    wt::InstallVm("C:\\pc\\jre\\Bin\\java.exe", answer);
    wt::InstallVm(jview, answer);
    std::string report = "32\nYES C:\\pc\\jdk\\Bin\\java.exe\nYES C:\\pc\\jre\\Bin\\java.exe\nYES " + jview + "\n";
    std::vector<std::string> leftOut;
    for (int jdk = 137; jdk > 100; --jdk) {
        std::string exe = "C:\\pc\\user\\.jdks\\jdk-" + std::to_string(jdk) + "\\bin\\java.exe";
        wt::InstallVm(exe, answer);
        if (jdk > 108)
            report += "YES " + exe + "\n";
        else
            leftOut.push_back(exe);
    }
    VmTable table;
    leftOutNames.clear();
    table.leftOut = [](const char* javaExe) { leftOutNames.push_back(javaExe); };
    std::atomic<bool> done(false);
    int peak = 0;
    std::thread watch([&] {
        for (; !done; Sleep(5))
            peak = std::max(peak, wt::Running("java.exe") + wt::Running("jview.exe"));
    });
    EXPECT_EQ(report, Report("A:A:A", table));
    done = true;
    watch.join();
    EXPECT_EQ(leftOut, leftOutNames);
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
        EXPECT_STREQ(each.path, found != nullptr ? found->exePath : each.path);
    }
}

}  // namespace
