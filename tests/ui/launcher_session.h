// The stage of the end-to-end tests: Java VMs installed in the test's Wine
// prefix (registry keys, executables), a packed installer, and one run of it
// watched and worked through its windows.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "expected_texts.h"
#include "test_support.h"
#include "tools/wendle-pack/pack_format.h"
#include "window_driver.h"

namespace ui_test {

// The texts of the English variant, which the scenarios run in.
inline const expected::Variant& English()
{
    return expected::kVariants[1];
}


// How long a window may take to appear, and a whole search of up to three
// VMs (each probe run is a process start, or a JVM start behind the bridge).
const DWORD kWindowMs = 30000;
const DWORD kSearchMs = 90000;

// The three VM kinds as the launcher looks for them.
enum class VmKind { Jdk, Jre, MsVm };

// What stands in for a VM executable.
struct VmSetup {
    VmKind kind;
    std::string javaHome;       // for the JDK and JRE keys; unused for jview.exe
    DWORD exitCode = 314;       // a vm_double's answer to every run (314: suitable)
    bool realJvm = false;       // java_bridge with the full JDK instead of a vm_double
};

// Forgets every VM of an earlier scenario: the JavaSoft keys, jview.exe, the
// folders the VMs were installed in, the installer's record, a capture file
// left in the root of drive C:.
void ResetMachine();

// A scenario starts and ends on a machine without any VM of an earlier one.
class ScenarioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0x0409, English().language);
        ResetMachine();
    }
    void TearDown() override { ResetMachine(); }
};
// Installs a VM (javaHome\Bin\java.exe for the JDK, javaHome\Bin\jre.exe
// for the JRE, jview.exe in the Windows directory) and registers it where
// its kind looks; returns the path by which the launcher will name it.
std::string InstallVm(const VmSetup& setup);
// Installs a VM stand-in at exePath without registering it, for the user to
// name by hand.
void InstallUnregisteredVm(const std::string& exePath, DWORD exitCode, bool realJvm);
// The folder under which ResetMachine removes everything.
std::string VmRoot();
// The file in which every vm_double records its runs.
std::string VmRunRecord();
// The command lines recorded by the vm_doubles, oldest first.
std::vector<std::string> RecordedVmCommandLines();

// One run of the recording installer class (tests/ui/SetupRecorder.java).
struct InstallerRun {
    std::string classPath;
    std::string currentDir;
    std::vector<std::string> args;
    std::vector<std::string> classDirFiles;   // sorted
};
std::vector<InstallerRun> RecordedInstallerRuns();

// The compiled installer class that the scenarios pack.
std::string InstallerClassPath();
std::string InstallerClassFileName();
std::string InstallerClassName();

bool SamePath(const std::string& a, const std::string& b);

// Which of the launcher's windows a top-level window is.
bool IsSelectionDialog(HWND window);
bool IsNoVmDialog(HWND window);

// A started Wendle.exe, with TMP and TEMP pointing at a folder of its own
// and its current directory in another one, both on drive C:.
class LauncherSession {
public:
    // Packs the recording installer with requirement and address.
    LauncherSession(const std::string& requirement = "A:A:A",
                    const std::string& url = "https://wendle.example.org/java");
    // Packs these entries instead, as they are (for odd payloads).
    explicit LauncherSession(const std::vector<wendle_pack::Entry>& entries);
    ~LauncherSession();

    DWORD id() const { return process_->id(); }
    const std::string& tempDir() const { return temp_.path(); }
    const std::string& workDir() const { return work_.path(); }

    // The selection dialog once its search has ended with a filled list;
    // null (with a test failure) otherwise.
    HWND SelectionDialogAfterSearch();
    // The no-VM dialog once it has opened.
    HWND NoVmDialog();
    // A message box that opens over the launcher's dialogs.
    HWND WaitForMessageBox();

    // The run ends by itself: exit code 0, nothing left in its temporary
    // folder and no capture file in the root of drive C:. what names the
    // scenario in failure messages.
    void ExpectCleanEnd(const char* what);
    // The files in the temporary folder now.
    std::vector<std::string> TempFiles() const;

private:
    void Start(const std::string& exe);

    test_support::ScratchDir work_{"ui"};
    test_support::ScratchDir temp_{"ui-tmp"};
    std::unique_ptr<test_support::ChildProcess> process_;
};

}  // namespace ui_test
