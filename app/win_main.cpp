// Entry point: one exception guard around the run, then the clean-up, and
// the run's exit status (0 in probe mode).
#include <windows.h>

#include "app/dll_search.h"
#include "app/launcher_app.h"
#include "payload/exception.h"
#include "payload/run_log.h"

// The tail is taken from the whole command line rather than from WinMain's
// argument: the C run-time's start-up skips every byte up to 0x20 as a blank,
// and with char signed that includes 0x80 to 0xFF, so a requirement beginning
// with a non-ASCII character would lose it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    LauncherApp* app = GetLauncherApp();
    try {
        app->instance = instance;
        app->Run(CommandLineTail(GetCommandLineA()));
    } catch (CException* error) {
        LogLine("the run ends: error %lu", error != NULL ? error->errorCode : 0);
        delete error;
    }
    app->Cleanup();
    LogLine("exit status %d", app->exitStatus);
    CloseRunLog();
    return app->exitStatus;
}
