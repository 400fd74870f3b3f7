// The VM kinds: where each finds its VM, how each runs a class, the process
// runner's verdict, the table's report and its matching of a named file.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

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

// A kind's CurrentVersion under key and the JavaHome of that version.
std::vector<Value> Home(const std::string& key, const char* version, const std::string& home, bool view64 = false)
{
    return {{key, "CurrentVersion", version, view64}, {key + "\\" + version, "JavaHome", home, view64}};
}

std::vector<Value> operator+(std::vector<Value> values, const std::vector<Value>& more)
{
    values.insert(values.end(), more.begin(), more.end());
    return values;
}

// What the kinds find in slots 0 to 4, joined by '|'.
std::string Located()
{
    VmTable table;
    table.CreateKinds();
    table.LocateAll();
    std::string found;
    for (int slot = 0; slot < kRuntimeSlot; ++slot)
        found += std::string(slot ? "|" : "") + table.slots[slot]->exePath;
    return found;
}

class VmKinds : public ::testing::Test {
protected:
    void SetUp() override
    {
        wt::ForgetAllVms();
        wt::MakeDirs("C:\\vms\\cls");
        SetCurrentDirectoryA("C:\\vms");
        CopyText(GetLauncherApp()->tempDir, kTextBufferSize, "C:\\vms\\");
        GetLauncherApp()->CreateWorkDir();
    }
    void TearDown() override
    {
        GetLauncherApp()->RemoveWorkDir();
        wt::ForgetAllVms();
    }
};

TEST_F(VmKinds, EachKindFindsItsOwnInstallations)
{
    const std::string jview = wt::WindowsDir() + "\\jview.exe";
    struct {
        const char* what;
        std::vector<Value> values;
        std::vector<std::string> files;
        const char* javaHome;
        std::string expected;
        // What the 64-bit build finds instead, where it differs on purpose.
        std::string expected64 = "";
    } cases[] = {
        {"a JDK under its key", Home(kJdk, "1.8", "C:\\vms\\jdk"), {"C:\\vms\\jdk\\Bin\\java.exe"}, nullptr, "C:\\vms\\jdk\\Bin\\java.exe||||"},
        {"a JavaHome ending in a backslash", Home(kJdk, "1.8", "C:\\vms\\jdk\\"), {"C:\\vms\\jdk\\Bin\\java.exe"}, nullptr, "C:\\vms\\jdk\\Bin\\java.exe||||"},
        {"no CurrentVersion", {{kJdk + "\\1.8", "JavaHome", "C:\\vms\\jdk"}}, {"C:\\vms\\jdk\\Bin\\java.exe"}, nullptr, "||||"},
        {"no JavaHome", {{kJdk, "CurrentVersion", "1.8"}, {kJdk + "\\1.8", "Home", "C:\\vms\\jdk"}},
         {"C:\\vms\\jdk\\Bin\\java.exe"}, nullptr, "||||"},
        {"no java.exe", Home(kJdk, "1.8", "C:\\vms\\jdk"), {}, nullptr, "||||"},
        {"a JRE with jre.exe and java.exe", Home(kJre, "1.1", "C:\\vms\\jre"),
         {"C:\\vms\\jre\\Bin\\java.exe", "C:\\vms\\jre\\Bin\\jre.exe"}, nullptr, "|C:\\vms\\jre\\Bin\\jre.exe|||"},
        // Values go to the 32-bit view unless marked: the 64-bit build reads
        // them as the other view.
        {"a JRE with java.exe alone in the 32-bit view", Home(kJre, "1.1", "C:\\vms\\jre"), {"C:\\vms\\jre\\Bin\\java.exe"}, nullptr, "|C:\\vms\\jre\\Bin\\java.exe|||"},
        {"jview.exe in the Windows directory", {}, {jview}, nullptr, "||" + jview + "||"},
        {"jview.exe elsewhere", {}, {"C:\\vms\\jview.exe"}, nullptr, "||||"},
        {"a JDK in the 64-bit view alone (under WOW64 for the 32-bit build)", Home(kJdk, "1.8", "C:\\vms\\jdk", true),
         {"C:\\vms\\jdk\\Bin\\java.exe"}, nullptr, "C:\\vms\\jdk\\Bin\\java.exe||||"},
        {"a JDK in each view: the launcher's own view first", Home(kJdk, "1.8", "C:\\vms\\jdk32") + Home(kJdk, "1.8", "C:\\vms\\jdk64", true),
         {"C:\\vms\\jdk32\\Bin\\java.exe", "C:\\vms\\jdk64\\Bin\\java.exe"}, nullptr,
         "C:\\vms\\jdk32\\Bin\\java.exe||||", "C:\\vms\\jdk64\\Bin\\java.exe||||"},
        {"a Java 9+ JDK", Home(kModern, "17", "C:\\vms\\jdk17"), {"C:\\vms\\jdk17\\bin\\java.exe"}, nullptr, "|||C:\\vms\\jdk17\\bin\\java.exe|"},
        {"a Java 9+ JRE with a stale CurrentVersion", {{"Software\\JavaSoft\\JRE", "CurrentVersion", "9"},
          {"Software\\JavaSoft\\JRE\\11", "JavaHome", "C:\\vms\\jre11"}},
         {"C:\\vms\\jre11\\bin\\java.exe"}, nullptr, "||||C:\\vms\\jre11\\bin\\java.exe"},
        {"JAVA_HOME", {}, {"C:\\vms\\home\\bin\\java.exe"}, "C:\\vms\\home", "||||C:\\vms\\home\\bin\\java.exe"},
        {"a JAVA_HOME without java.exe falls back to the vendors",
         {{"Software\\BellSoft\\Liberica\\jdk-17", "InstallationPath", "C:\\vms\\lib"}},
         {"C:\\vms\\lib\\bin\\java.exe"}, "C:\\vms\\none", "||||C:\\vms\\lib\\bin\\java.exe"},
        {"the newest of two Temurins", {{"Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "C:\\vms\\t9"},
          {"Software\\Eclipse Adoptium\\JDK\\17.0.10.7\\hotspot\\MSI", "Path", "C:\\vms\\t10"}},
         {"C:\\vms\\t9\\bin\\java.exe", "C:\\vms\\t10\\bin\\java.exe"}, nullptr, "||||C:\\vms\\t10\\bin\\java.exe"},
        {"Microsoft's build", {{"Software\\Microsoft\\JDK\\21.0.1\\hotspot\\MSI", "Path", "C:\\vms\\ms", true}},
         {"C:\\vms\\ms\\bin\\java.exe"}, nullptr, "||||C:\\vms\\ms\\bin\\java.exe"},
        {"Zulu", {{"Software\\Azul Systems\\Zulu\\zulu-17", "InstallationPath", "C:\\vms\\zulu"}},
         {"C:\\vms\\zulu\\bin\\java.exe"}, nullptr, "||||C:\\vms\\zulu\\bin\\java.exe"},
        {"one JDK under old and new keys is listed once", Home(kJdk, "17", "C:\\vms\\jdk") + Home(kModern, "17", "C:\\vms\\jdk"),
         {"C:\\vms\\jdk\\bin\\java.exe"}, "C:\\vms\\jdk", "C:\\vms\\jdk\\Bin\\java.exe||||"},
    };
    for (const auto& each : cases) {
        wt::ForgetAllVms();
        for (const Value& value : each.values)
            wt::SetMachineValue(value.key, value.name, value.data, value.view64);
        for (const std::string& file : each.files) {
            wt::MakeDirs(file.substr(0, file.rfind('\\')));
            wt::WriteFile(file, "MZ");
        }
        SetEnvironmentVariableA("JAVA_HOME", each.javaHome);
        bool build64 = sizeof(void*) == 8;
        EXPECT_EQ(build64 && !each.expected64.empty() ? each.expected64 : each.expected, Located()) << each.what;
    }
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
        EXPECT_EQ("C:\\vms\\jdk\\Bin\\java.exe||||", Located()) << sddl;
    }
}

// Runs exePath (a stub configured by config) with arguments.
int Exec(const std::string& config, const char* arguments = "Cls")
{
    JdkLocator vm;
    CopyText(vm.exePath, sizeof vm.exePath, "C:\\vms\\vm.exe");
    if (!config.empty())
        wt::InstallVm(vm.exePath, config);
    return vm.Exec(arguments);
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
    ModernJdkLocator modern;
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
    EXPECT_EQ(0, jre.Check("A:A:A")) << "7 is not suitable";
    wt::InstallVm("C:\\vms\\vm.exe", "exit=314");
    EXPECT_EQ(1, jre.Check("A:A:A"));
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
