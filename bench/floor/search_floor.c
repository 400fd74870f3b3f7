/* The least a launcher must do to ask three installed VMs, as the launcher
 * must do it: make a folder of its own in the temporary directory (two runs
 * at once must not share files), copy the probe class into it, start each VM
 * with the command line the launcher composes and its standard output in a
 * capture file in that folder, wait for it, read its exit status and the
 * first byte of its output, delete the capture file; at the end delete the
 * probe class and the folder. Built with the launcher's compiler and flags,
 * importing nothing beyond kernel32 and msvcrt. Its exit status is the
 * number of VMs that answered "suitable" (314), so that the caller can tell
 * that the VMs really ran the probe.
 * Built with LAUNCHER_IMPORTS, it also binds one function of each further DLL
 * that the launcher imports, without calling them: the difference to the
 * plain build is what loading those DLLs costs.
 * Usage: search_floor PROBE-CLASS JDK-JAVA JRE-JRE JVIEW   ("-" for a kind not there) */
#include <windows.h>
#include <stdlib.h>
#ifdef LAUNCHER_IMPORTS
#include <commdlg.h>
#include <shellapi.h>
#endif

static char folder[MAX_PATH];    /* with its trailing backslash */
static char capturePath[MAX_PATH];

static DWORD Exec(const char* exePath, const char* arguments)
{
    char commandLine[520];
    lstrcpyA(commandLine, "\"");
    lstrcatA(commandLine, exePath);
    lstrcatA(commandLine, "\" ");
    lstrcatA(commandLine, arguments);

    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
    HANDLE capture = CreateFileA(capturePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                                 &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = capture;
    PROCESS_INFORMATION child;
    DWORD exitCode = 0;
    if (CreateProcessA(NULL, commandLine, NULL, NULL, TRUE, DETACHED_PROCESS, NULL, NULL,
                       &startup, &child)) {
        WaitForSingleObject(child.hProcess, 20000);
        GetExitCodeProcess(child.hProcess, &exitCode);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
        char firstByte = 'X';
        DWORD got = 0;
        SetFilePointer(capture, 0, NULL, FILE_BEGIN);
        ReadFile(capture, &firstByte, 1, &got, NULL);
        if (firstByte == 'T')
            exitCode = 314;
    }
    CloseHandle(capture);
    DeleteFileA(capturePath);
    return exitCode;
}

static void WithOption(char* arguments, const char* option)
{
    lstrcpyA(arguments, option);
    lstrcatA(arguments, folder);
    lstrcatA(arguments, " TvqVersion A:A:A");
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandTail, int show)
{
    (void)instance;
    (void)previous;
    (void)commandTail;
    (void)show;
    if (__argc < 5)
        return 100;
    char tempDir[MAX_PATH];
    char number[16];
    char probePath[MAX_PATH];
    char arguments[520];
    char previousDir[MAX_PATH];
    int suitable = 0;
#ifdef LAUNCHER_IMPORTS
    /* Never true; it keeps the imports from being discarded. */
    if (__argc > 1000) {
        LoadStringA(NULL, 0, arguments, 0);
        RegCloseKey(NULL);
        ShellExecuteA(NULL, NULL, NULL, NULL, NULL, 0);
        GetOpenFileNameA(NULL);
    }
#endif
    GetTempPathA(sizeof tempDir, tempDir);
    lstrcpyA(folder, tempDir);
    lstrcatA(folder, "floor-");
    lstrcatA(folder, _ultoa(GetCurrentProcessId(), number, 10));
    if (!CreateDirectoryA(folder, NULL))
        return 101;
    lstrcatA(folder, "\\");
    lstrcpyA(probePath, folder);
    lstrcatA(probePath, "TvqVersion.class");
    lstrcpyA(capturePath, folder);
    lstrcatA(capturePath, "stdout.tmp");
    if (!CopyFileA(__argv[1], probePath, FALSE))
        return 102;
    /* The JDK's java finds the class in its current directory. */
    if (lstrcmpA(__argv[2], "-") != 0) {
        GetCurrentDirectoryA(sizeof previousDir, previousDir);
        SetCurrentDirectoryA(folder);
        suitable += Exec(__argv[2], "TvqVersion A:A:A") == 314;
        SetCurrentDirectoryA(previousDir);
    }
    if (lstrcmpA(__argv[3], "-") != 0) {
        WithOption(arguments, "-cp ");
        suitable += Exec(__argv[3], arguments) == 314;
    }
    if (lstrcmpA(__argv[4], "-") != 0) {
        WithOption(arguments, "-cp:p ");
        SetCurrentDirectoryA(folder);
        suitable += Exec(__argv[4], arguments) == 314;
    }
    /* Windows keeps a folder that is a process's current directory. */
    SetCurrentDirectoryA(tempDir);
    DeleteFileA(probePath);
    RemoveDirectoryA(folder);
    return suitable;
}
