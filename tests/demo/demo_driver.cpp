// Plays the user of the demo (scripts/demo): starts setup.exe, waits for the
// selection dialog, prints what it shows, confirms the selected VM and waits
// for the launcher to end. Usage: demo_driver SETUP.EXE
#include <cstdio>

#include "harness.h"
#include "res/resource.h"

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    wt::Process launcher(wt::Quoted(argv[1]));
    // The selection dialog is shown with an empty list while the search runs.
    HWND dialog = wt::WaitForWindow(launcher.id(), [](HWND window) {
        return GetDlgItem(window, IDC_VM_LIST) != nullptr && !wt::ComboItems(window, IDC_VM_LIST).empty();
    }, 120000);
    if (dialog == nullptr) {
        printf("no suitable Java VM was listed\n");
        return 1;
    }
    int selected = -1;
    std::vector<std::string> items = wt::ComboItems(dialog, IDC_VM_LIST, &selected);
    printf("caption: %s\nstatus: %s\nselected VM: %s\n", wt::Caption(dialog).c_str(),
           wt::ItemText(dialog, IDC_STATUS).c_str(), items[selected].c_str());
    fflush(stdout);
    wt::Click(dialog, IDOK);
    return launcher.Wait(120000) == 0 ? 0 : 1;
}
