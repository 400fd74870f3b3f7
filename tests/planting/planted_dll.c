/* A DLL that should never be loaded: it stands beside Wendle.exe under the
   names of system DLLs and appends its own path to the log file named by the
   environment variable WENDLE_PLANT_LOG when anything loads it. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char log[MAX_PATH];
        char self[MAX_PATH];
        DWORD length = GetEnvironmentVariableA("WENDLE_PLANT_LOG", log, sizeof log);
        if (length == 0 || length >= sizeof log)
            return TRUE;
        DWORD selfLength = GetModuleFileNameA(instance, self, sizeof self - 2);
        self[selfLength] = '\r';
        self[selfLength + 1] = '\n';
        HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written;
            WriteFile(file, self, selfLength + 2, &written, NULL);
            CloseHandle(file);
        }
    }
    return TRUE;
}
