// Brings the launcher's windows up one after the other for scripts/screenshots:
// the selection dialog with a VM listed, the Cancel question over it, and the
// no-VM dialog. At each, it prints
//   SHOT <name> <left> <top> <right> <bottom>
// (screen coordinates) and waits until the file C:\wendle-shots\ack-<name>
// appears, which the script creates once it has taken its picture. Runs in
// the Wine prefix of the pictures, in whatever language LC_ALL gives it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "res/resource.h"
#include "test_support.h"
#include "vm_doubles.h"
#include "window_driver.h"

namespace {

const char kShots[] = "C:\\wendle-shots";
const char kJavaHome[] = "C:\\Program Files\\Java\\jdk1.8.0_202";
const char kJdkKey[] = "Software\\JavaSoft\\Java Development Kit";
const DWORD kWaitMs = 60000;

[[noreturn]] void Fail(const std::string& why)
{
    throw std::runtime_error(why);
}

void SetMachineValue(const std::string& key, const char* name, const std::string& value)
{
    HKEY handle;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS)
        Fail("cannot create HKLM\\" + key);
    RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   (DWORD)value.size() + 1);
    RegCloseKey(handle);
}

void RegisterJdk()
{
    vm_doubles::VmBehaviour suitable;
    suitable.exitCode = 314;
    vm_doubles::InstallVmDouble(std::string(kJavaHome) + "\\bin\\java.exe", suitable);
    SetMachineValue(kJdkKey, "CurrentVersion", "1.8");
    SetMachineValue(std::string(kJdkKey) + "\\1.8", "JavaHome", kJavaHome);
}

void ForgetJdk()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\JavaSoft");
}

template <typename Test>
HWND WaitFor(DWORD processId, const char* what, Test test)
{
    DWORD started = GetTickCount();
    do {
        for (HWND window : test_support::TopLevelWindows(processId)) {
            if (test_support::ClassName(window) == "#32770" && test(window))
                return window;
        }
        Sleep(50);
    } while (GetTickCount() - started < kWaitMs);
    Fail(std::string("no ") + what + " appeared");
}

// Announces a picture of rect and waits for the script to take it.
void Shot(const char* name, RECT rect)
{
    printf("SHOT %s %ld %ld %ld %ld\n", name, rect.left, rect.top, rect.right, rect.bottom);
    fflush(stdout);
    std::string ack = std::string(kShots) + "\\ack-" + name;
    DWORD started = GetTickCount();
    while (!test_support::PathExists(ack)) {
        if (GetTickCount() - started > kWaitMs)
            Fail(std::string("no picture taken of ") + name);
        Sleep(50);
    }
    DeleteFileA(ack.c_str());
}

RECT Union(RECT a, RECT b)
{
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

void WaitForEnd(test_support::ChildProcess& launcher)
{
    DWORD exitCode = 0;
    if (!launcher.Wait(kWaitMs, &exitCode))
        Fail("the launcher did not end");
}

void Run(const std::string& installerClass)
{
    CreateDirectoryA(kShots, nullptr);
    std::string temp = std::string(kShots) + "\\tmp";
    CreateDirectoryA(temp.c_str(), nullptr);
    std::string setup = std::string(kShots) + "\\setup.exe";
    test_support::PackInstaller(setup, "1.1:A:A", "https://wendle.example.org/java",
                                installerClass);
    test_support::RunOptions options;
    options.tempDir = temp + "\\";
    options.currentDir = kShots;

    // With a suitable JDK: the selection dialog, then the Cancel question.
    RegisterJdk();
    {
        test_support::ChildProcess launcher("\"" + setup + "\"", options);
        HWND dialog = WaitFor(launcher.id(), "selection dialog", [](HWND window) {
            return GetDlgItem(window, IDC_VM_LIST) != nullptr &&
                   test_support::ReadComboBox(window, IDC_VM_LIST).selected >= 0;
        });
        Shot("selection-dialog", test_support::WindowRect(dialog));
        test_support::Click(dialog, IDCANCEL);
        HWND question = WaitFor(launcher.id(), "Cancel question", [](HWND window) {
            return GetDlgItem(window, IDC_VM_LIST) == nullptr;
        });
        Shot("cancel-question",
             Union(test_support::WindowRect(dialog), test_support::WindowRect(question)));
        test_support::Click(question, IDYES);
        WaitForEnd(launcher);
    }

    // Without one: the no-VM dialog.
    ForgetJdk();
    {
        test_support::ChildProcess launcher("\"" + setup + "\"", options);
        HWND dialog = WaitFor(launcher.id(), "no-VM dialog", [](HWND window) {
            return GetDlgItem(window, IDC_OPT_DOWNLOAD) != nullptr;
        });
        Shot("no-vm-dialog", test_support::WindowRect(dialog));
        test_support::Click(dialog, IDCANCEL);
        WaitForEnd(launcher);
    }
}

}  // namespace

int main()
{
    try {
        // Any class file serves: the pictures never get as far as a launch.
        Run(UI_INSTALLER_CLASS);
    } catch (const std::exception& error) {
        fprintf(stderr, "ui_shot_driver: %s\n", error.what());
        return 1;
    }
    return 0;
}
