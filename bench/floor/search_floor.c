/* The least a launcher must do to ask three installed VMs: start each one
 * with the command line the launcher composes, its standard output in a
 * capture file, wait for it, read its exit status and the first byte of its
 * output, delete the capture file. Built with the launcher's compiler and
 * flags, importing nothing beyond kernel32 and msvcrt. Its exit status is
 * the number of VMs that answered "suitable" (314), so that the caller can
 * tell that the VMs really ran the probe.
 * Built with LAUNCHER_IMPORTS, it also binds one function of each further DLL
 * that the launcher imports, without calling them: the difference to the
 * plain build is what loading those DLLs costs.
 * Usage: search_floor CLASSDIR JDK-JAVA JRE-JRE JVIEW   ("-" for a kind not there) */
#include <windows.h>
#include <stdlib.h>
#ifdef LAUNCHER_IMPORTS
#include <commdlg.h>
#include <shellapi.h>
#endif

static const char kCaptureFile[] = "\\stdout.tmp";

static DWORD Exec(const char* exePath, const char* arguments)
{
    char commandLine[520];
    lstrcpyA(commandLine, "\"");
    lstrcatA(commandLine, exePath);
    lstrcatA(commandLine, "\" ");
    lstrcatA(commandLine, arguments);

    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
    HANDLE capture = CreateFileA(kCaptureFile, GENERIC_READ | GENERIC_WRITE, 0, &inheritable,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
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
    DeleteFileA(kCaptureFile);
    return exitCode;
}

static void WithOption(char* arguments, const char* option, const char* classDir)
{
    lstrcpyA(arguments, option);
    lstrcatA(arguments, classDir);
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
    const char* classDir = __argv[1];
    char arguments[260];
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
    /* The JDK's java finds the class in its current directory. */
    if (lstrcmpA(__argv[2], "-") != 0) {
        GetCurrentDirectoryA(sizeof previousDir, previousDir);
        SetCurrentDirectoryA(classDir);
        suitable += Exec(__argv[2], "TvqVersion A:A:A") == 314;
        SetCurrentDirectoryA(previousDir);
    }
    if (lstrcmpA(__argv[3], "-") != 0) {
        WithOption(arguments, "-cp ", classDir);
        suitable += Exec(__argv[3], arguments) == 314;
    }
    if (lstrcmpA(__argv[4], "-") != 0) {
        WithOption(arguments, "-cp:p ", classDir);
        SetCurrentDirectoryA(classDir);
        suitable += Exec(__argv[4], arguments) == 314;
    }
    return suitable;
}
