// Entry point: one exception guard around the run, then the clean-up, and
// the exit code 0 whatever happened.
#include <windows.h>

#include "app/dll_search.h"
#include "app/launcher_app.h"
#include "payload/exception.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int)
{
    RestrictDllSearch();
    LauncherApp* app = GetLauncherApp();
    try {
        app->instance = instance;
        app->Run(commandTail);
    } catch (CException* error) {
        delete error;
    }
    app->Cleanup();
    return 0;
}
