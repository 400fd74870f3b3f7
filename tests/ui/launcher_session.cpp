#include <gtest/gtest.h>

#include "launcher_session.h"

#include <cstdio>

#include "registry_fixture.h"
#include "res/resource.h"
#include "vm_doubles.h"

namespace ui_test {

namespace {

const char kInstallerRecord[] = "C:\\wendle-installer-run.txt";
const char kCaptureInRoot[] = "C:\\stdout.tmp";

std::string WindowsDir()
{
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    return windows;
}

std::string JviewPath()
{
    return WindowsDir() + "\\jview.exe";
}

// Lines of a text file, each without its line end.
std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr)
        return lines;
    char line[8192];
    while (fgets(line, sizeof line, file) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        lines.push_back(text);
    }
    fclose(file);
    return lines;
}

bool StartsWith(const std::string& text, const char* head, std::string* rest)
{
    size_t length = strlen(head);
    if (text.compare(0, length, head) != 0)
        return false;
    *rest = text.substr(length);
    return true;
}

// Polls for a visible top-level window of the process that pleases test.
template <typename Test>
HWND WaitForLauncherWindow(DWORD processId, DWORD timeoutMs, Test test)
{
    DWORD started = GetTickCount();
    do {
        for (HWND window : test_support::TopLevelWindows(processId)) {
            if (test(window))
                return window;
        }
        Sleep(20);
    } while (GetTickCount() - started < timeoutMs);
    return nullptr;
}

bool IsDialogWindow(HWND window)
{
    return test_support::ClassName(window) == "#32770";
}

}  // namespace

std::string VmRoot()
{
    return "C:\\ui-vms";
}

std::string VmRunRecord()
{
    return "C:\\ui-vm-runs.txt";
}

void ResetMachine()
{
    vm_test::DeleteJavaSoftKeys();
    for (const char* extension : {".exe", ".cfg", ".jvm"})
        DeleteFileA((WindowsDir() + "\\jview" + extension).c_str());
    test_support::RemoveTree(VmRoot());
    DeleteFileA(VmRunRecord().c_str());
    DeleteFileA(kInstallerRecord);
    DeleteFileA(kCaptureInRoot);
}

void InstallUnregisteredVm(const std::string& exePath, DWORD exitCode, bool realJvm)
{
    if (realJvm) {
        vm_doubles::InstallJavaBridge(exePath, vm_doubles::JvmKind::FullJdk);
        return;
    }
    vm_doubles::VmBehaviour behaviour;
    behaviour.exitCode = exitCode;
    behaviour.recordPath = VmRunRecord();
    vm_doubles::InstallVmDouble(exePath, behaviour);
}

std::string InstallVm(const VmSetup& setup)
{
    std::string exePath;
    switch (setup.kind) {
    case VmKind::Jdk:
        exePath = setup.javaHome + "\\Bin\\" + "java.exe";
        vm_test::RegisterJava(vm_test::kJdkKey, "1.8", setup.javaHome);
        break;
    case VmKind::Jre:
        exePath = setup.javaHome + "\\Bin\\" + "jre.exe";
        vm_test::RegisterJava(vm_test::kJreKey, "1.8", setup.javaHome);
        break;
    case VmKind::MsVm:
        exePath = JviewPath();
        break;
    }
    InstallUnregisteredVm(exePath, setup.exitCode, setup.realJvm);
    return exePath;
}

std::vector<std::string> RecordedVmCommandLines()
{
    std::vector<std::string> commandLines;
    for (const vm_doubles::VmRun& run : vm_doubles::ReadVmRuns(VmRunRecord()))
        commandLines.push_back(run.commandLine);
    return commandLines;
}

std::vector<InstallerRun> RecordedInstallerRuns()
{
    std::vector<InstallerRun> runs;
    InstallerRun run;
    for (const std::string& line : ReadLines(kInstallerRecord)) {
        std::string value;
        if (line == "--") {
            runs.push_back(run);
            run = InstallerRun();
        } else if (StartsWith(line, "classpath=", &value)) {
            run.classPath = value;
        } else if (StartsWith(line, "cwd=", &value)) {
            run.currentDir = value;
        } else if (StartsWith(line, "file=", &value)) {
            run.classDirFiles.push_back(value);
        } else if (StartsWith(line, "arg", &value) && !StartsWith(line, "args=", &value)) {
            run.args.push_back(line.substr(line.find('=') + 1));
        }
    }
    return runs;
}

std::string InstallerClassPath()
{
    return UI_INSTALLER_CLASS;
}

std::string InstallerClassFileName()
{
    return wendle_pack::FileNamePart(UI_INSTALLER_CLASS);
}

std::string InstallerClassName()
{
    std::string name = InstallerClassFileName();
    return name.substr(0, name.rfind('.'));
}

bool SamePath(const std::string& a, const std::string& b)
{
    auto trimmed = [](std::string path) {
        if (path.size() > 3 && path.back() == '\\')
            path.pop_back();
        return path;
    };
    return _stricmp(trimmed(a).c_str(), trimmed(b).c_str()) == 0;
}

bool IsSelectionDialog(HWND window)
{
    return IsDialogWindow(window) && GetDlgItem(window, IDC_VM_LIST) != nullptr;
}

bool IsNoVmDialog(HWND window)
{
    return IsDialogWindow(window) && GetDlgItem(window, IDC_OPT_DOWNLOAD) != nullptr;
}

LauncherSession::LauncherSession(const std::string& requirement, const std::string& url)
{
    std::string exe = work_ / "setup.exe";
    test_support::PackInstaller(exe, requirement, url, InstallerClassPath());
    Start(exe);
}

LauncherSession::LauncherSession(const std::vector<wendle_pack::Entry>& entries)
{
    test_support::Bytes stub = test_support::ReadBytes(WENDLE_EXE_PATH);
    std::string exe = work_ / "setup.exe";
    test_support::AppendToStub(exe, wendle_pack::EncodePayload(entries, (uint32_t)stub.size()));
    Start(exe);
}

LauncherSession::~LauncherSession() = default;

void LauncherSession::Start(const std::string& exe)
{
    test_support::RunOptions options;
    options.tempDir = temp_.path() + "\\";
    // On drive C: of the test's own prefix: the capture file of the VM runs
    // lands in the root of the current drive.
    options.currentDir = work_.path();
    process_.reset(new test_support::ChildProcess("\"" + exe + "\"", options));
}

HWND LauncherSession::SelectionDialogAfterSearch()
{
    HWND dialog = WaitForLauncherWindow(id(), kWindowMs, IsSelectionDialog);
    EXPECT_NE(nullptr, dialog) << "the selection dialog did not open";
    if (dialog == nullptr)
        return nullptr;
    // The list gets its selection as the last step of the search; while the
    // search runs, the dialog answers no message at all.
    DWORD started = GetTickCount();
    while (test_support::IsShown(dialog)) {
        if (test_support::ReadComboBox(dialog, IDC_VM_LIST).selected >= 0)
            return dialog;
        if (GetTickCount() - started > kSearchMs)
            break;
        Sleep(20);
    }
    ADD_FAILURE() << "the selection dialog never listed a VM"
                  << (test_support::IsShown(dialog) ? "" : " (it was hidden)");
    return nullptr;
}

HWND LauncherSession::NoVmDialog()
{
    HWND dialog = WaitForLauncherWindow(id(), kSearchMs, IsNoVmDialog);
    EXPECT_NE(nullptr, dialog) << "the no-VM dialog did not open";
    return dialog;
}

HWND LauncherSession::WaitForMessageBox()
{
    HWND box = WaitForLauncherWindow(id(), kWindowMs, [](HWND window) {
        return IsDialogWindow(window) && !IsSelectionDialog(window) && !IsNoVmDialog(window);
    });
    EXPECT_NE(nullptr, box) << "no message box opened";
    return box;
}

std::vector<std::string> LauncherSession::TempFiles() const
{
    return test_support::ListDir(temp_.path());
}

void LauncherSession::ExpectCleanEnd(const char* what)
{
    DWORD exitCode = 99;
    bool ended = process_->Wait(kWindowMs, &exitCode);
    EXPECT_TRUE(ended) << what << ": the launcher is still running";
    if (!ended) {
        for (HWND window : test_support::TopLevelWindows(id()))
            ADD_FAILURE() << what << ": still open: \"" << test_support::WindowTextWide(window)
                          << "\" (" << test_support::ClassName(window) << ")";
        return;
    }
    EXPECT_EQ(0u, exitCode) << what;
    EXPECT_EQ(std::vector<std::string>{}, TempFiles()) << what << ": files left in TMP";
    EXPECT_FALSE(test_support::PathExists(kCaptureInRoot)) << what << ": capture file left in C:\\";
}

}  // namespace ui_test
