// Plays the user of the demo: starts setup.exe, waits for the selection
// dialog, prints what it shows, confirms the selected VM and waits for the
// launcher to end. Usage: demo_driver SETUP.EXE
#include <windows.h>

#include <cstdio>
#include <string>

#include "test_support.h"
#include "window_driver.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: demo_driver SETUP.EXE\n");
        return 2;
    }
    test_support::ChildProcess launcher(std::string("\"") + argv[1] + "\"");
    HWND dialog = test_support::WaitForWindow(launcher.id(), "#32770", 60000);
    if (dialog == nullptr) {
        fprintf(stderr, "demo_driver: no dialog appeared\n");
        return 1;
    }
    // The list fills once the search has ended; the status text changes then.
    const std::string searching = test_support::ControlText(dialog, 1002);
    for (int wait = 0; wait < 600 && IsWindowVisible(dialog) &&
                       test_support::ControlText(dialog, 1002) == searching;
         ++wait)
        Sleep(100);
    printf("dialog: %s\n", test_support::WindowText(dialog).c_str());
    if (!IsWindowVisible(dialog)) {
        printf("no suitable Java VM: the no-VM dialog is up; cancelling it\n");
        HWND noVm = test_support::WaitForWindow(launcher.id(), "#32770", 10000);
        if (noVm != nullptr)
            test_support::Click(noVm, IDCANCEL);
    } else {
        printf("status: %s\n", test_support::ControlText(dialog, 1002).c_str());
        printf("selected VM: %s\n", test_support::ControlTextWide(dialog, 1001).c_str());
        printf("clicking OK\n");
        test_support::Click(dialog, IDOK);
    }
    DWORD exitCode = 0;
    if (!launcher.Wait(120000, &exitCode)) {
        fprintf(stderr, "demo_driver: the launcher did not end\n");
        return 1;
    }
    printf("launcher exit code: %lu\n", exitCode);
    return 0;
}
