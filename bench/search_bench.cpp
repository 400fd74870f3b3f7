// Launcher overhead of a search: Wendle.exe in probe mode against
// search_floor.exe, which starts the same VM executables with the same
// CreateProcess/wait sequence and nothing else, and against the same floor
// bound to the launcher's DLLs. A copy of Wendle.exe linked to load comdlg32
// and shell32 on first use (wendle_lazy) shows what that would save. All are started from here the same way, so
// Wine's process start-up weighs on each alike; they take turns, and the
// first round of each phase only warms the caches.
#include <windows.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "benches.h"
#include "test_support.h"
#include "timing.h"
#include "vm_doubles.h"

namespace bench {

const char kJdkKey[] = "Software\\JavaSoft\\Java Development Kit";
const char kJreKey[] = "Software\\JavaSoft\\Java Runtime Environment";

namespace {

const char kRoot[] = "C:\\";
const char kJdkHome[] = "C:\\bench\\jdk";
const char kJreHome[] = "C:\\bench\\jre";
const char kJdkJava[] = "C:\\bench\\jdk\\bin\\java.exe";
const char kJreJre[] = "C:\\bench\\jre\\bin\\jre.exe";
const char kFloorClassDir[] = "C:\\bench\\classes\\";

void SetMachineValue(const std::string& key, const char* name, const std::string& value)
{
    HKEY handle;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS)
        Fail("cannot create HKLM\\" + key);
    LONG status = RegSetValueExA(handle, name, 0, REG_SZ, (const BYTE*)value.c_str(),
                                 (DWORD)value.size() + 1);
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS)
        Fail("cannot set " + key + "\\" + name);
}

std::string JviewPath()
{
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\jview.exe";
}

// A vm_double with no configuration beside it: it exits with 0 at once.
void InstallQuietDouble(const std::string& exePath)
{
    vm_doubles::InstallVmDouble(exePath);
    std::string config = exePath.substr(0, exePath.rfind('.')) + ".cfg";
    DeleteFileA(config.c_str());
}

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

// The report's first line is the number of VMs found; every further line is
// "YES path" or "NO path".
void CheckReport(const std::string& wendle, int expectedFound, const char* expectedVerdict)
{
    test_support::RunOptions options;
    options.currentDir = kRoot;
    test_support::ProcessResult result =
        test_support::RunProcess(Quoted(wendle) + " A:A:A", options);
    std::istringstream lines(result.output);
    std::string line;
    std::getline(lines, line);
    if (atoi(line.c_str()) != expectedFound)
        Fail("expected " + std::to_string(expectedFound) + " VMs, the report says:\n" +
             result.output);
    while (std::getline(lines, line)) {
        if (line.rfind(expectedVerdict, 0) != 0)
            Fail(std::string("expected every VM to be ") + expectedVerdict + ", the report says:\n" +
                 result.output);
    }
}

struct Contender {
    const char* name;
    std::string commandLine;
    DWORD expectedExit;
};

// Times each contender reps times after one warm-up round, in an order that
// rotates from round to round.
void TimeRound(const std::string& key, const std::vector<Contender>& contenders, int reps)
{
    std::vector<std::vector<double>> samples(contenders.size());
    for (int rep = 0; rep <= reps; ++rep) {
        for (size_t turn = 0; turn < contenders.size(); ++turn) {
            size_t which = (rep + turn) % contenders.size();
            double elapsed = TimeProcess(contenders[which].commandLine, kRoot,
                                         contenders[which].expectedExit);
            if (rep > 0)
                samples[which].push_back(elapsed);
        }
    }
    for (size_t which = 0; which < contenders.size(); ++which)
        PrintSamples(key + "." + contenders[which].name, "ms", samples[which]);
}

}  // namespace

void RegisterJava(const char* key, const char* javaHome)
{
    SetMachineValue(key, "CurrentVersion", "1.1");
    SetMachineValue(std::string(key) + "\\1.1", "JavaHome", javaHome);
}

void DeleteJavaSoftKeys()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\JavaSoft");
}

int RunSearchBench(int argc, char** argv)
{
    std::string wendleExe = Option(argc, argv, "--wendle");
    std::string floorExe = Option(argc, argv, "--floor");
    std::string floorImportsExe = Option(argc, argv, "--floor-imports");
    std::string lazyExe = Option(argc, argv, "--wendle-lazy");
    std::string probeClass = Option(argc, argv, "--probe-class");
    int reps = IntOption(argc, argv, "--reps", 11);
    int jvmReps = IntOption(argc, argv, "--jvm-reps", 5);

    const std::string jview = JviewPath();
    CreateDirectoryA("C:\\bench", nullptr);
    CreateDirectoryA(kFloorClassDir, nullptr);
    if (!CopyFileA(probeClass.c_str(), (std::string(kFloorClassDir) + "TvqVersion.class").c_str(),
                   FALSE))
        Fail("cannot copy " + probeClass);

    // The floor's exit status counts the VMs that found the probe suitable;
    // the launcher's is always 0.
    auto contenders = [&](const std::string& vms, DWORD suitable) {
        std::string floorArguments = std::string(" ") + kFloorClassDir + " " + vms;
        return std::vector<Contender>{
            {"wendle", Quoted(wendleExe) + " A:A:A", 0},
            {"wendle_lazy", Quoted(lazyExe) + " A:A:A", 0},
            {"floor", Quoted(floorExe) + floorArguments, suitable},
            {"floor_imports", Quoted(floorImportsExe) + floorArguments, suitable},
        };
    };

    // Start-up alone: nothing to find, nothing to start.
    DeleteJavaSoftKeys();
    DeleteFileA(jview.c_str());
    CheckReport(wendleExe, 0, "");
    CheckReport(lazyExe, 0, "");
    TimeRound("search.none", contenders("- - -", 0), reps);

    const std::string vms = std::string(kJdkJava) + " " + kJreJre + " " + jview;
    RegisterJava(kJdkKey, kJdkHome);
    RegisterJava(kJreKey, kJreHome);

    // Three VMs that exit at once.
    InstallQuietDouble(kJdkJava);
    InstallQuietDouble(kJreJre);
    InstallQuietDouble(jview);
    CheckReport(wendleExe, 3, "NO ");
    CheckReport(lazyExe, 3, "NO ");
    TimeRound("search.doubles", contenders(vms, 0), reps);

    // The same three, each a real JVM behind the bridge running the probe.
    if (vm_doubles::JvmPath(vm_doubles::JvmKind::FullJdk).empty()) {
        PrintNote("no Linux JDK found by the build: the real-JVM search was not measured");
        return 0;
    }
    vm_doubles::InstallJavaBridge(kJdkJava, vm_doubles::JvmKind::FullJdk);
    vm_doubles::InstallJavaBridge(kJreJre, vm_doubles::JvmKind::FullJdk);
    vm_doubles::InstallJavaBridge(jview, vm_doubles::JvmKind::FullJdk);
    CheckReport(wendleExe, 3, "YES ");
    CheckReport(lazyExe, 3, "YES ");
    TimeRound("search.jvm", contenders(vms, 3), jvmReps);
    return 0;
}

}  // namespace bench
