#include "ui/shell_functions.h"

#include "payload/paths.h"
#include "payload/text_buffer.h"

// A System32 DLL by its full path, loaded once on first use.
static HMODULE LoadSystemDll(const char* name, HMODULE* loaded)
{
    if (*loaded != NULL)
        return *loaded;
    char path[kTextBufferSize];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path || !AppendPath(path, name))
        return NULL;
    *loaded = LoadLibraryA(path);
    return *loaded;
}

static FARPROC Comdlg32Function(const char* name)
{
    static HMODULE comdlg32 = NULL;
    HMODULE module = LoadSystemDll("comdlg32.dll", &comdlg32);
    return module != NULL ? GetProcAddress(module, name) : NULL;
}

static FARPROC Shell32Function(const char* name)
{
    static HMODULE shell32 = NULL;
    HMODULE module = LoadSystemDll("shell32.dll", &shell32);
    return module != NULL ? GetProcAddress(module, name) : NULL;
}

BOOL OpenFileDialog(OPENFILENAMEA* request)
{
    typedef BOOL(WINAPI * Function)(OPENFILENAMEA*);
    Function function = (Function)(void*)Comdlg32Function("GetOpenFileNameA");
    return function != NULL && function(request);
}

LPITEMIDLIST BrowseForFolder(BROWSEINFOA* request)
{
    typedef LPITEMIDLIST(WINAPI * Function)(BROWSEINFOA*);
    Function function = (Function)(void*)Shell32Function("SHBrowseForFolderA");
    return function != NULL ? function(request) : NULL;
}

BOOL PathFromItem(LPCITEMIDLIST item, char* path)
{
    typedef BOOL(WINAPI * Function)(LPCITEMIDLIST, char*);
    Function function = (Function)(void*)Shell32Function("SHGetPathFromIDListA");
    return function != NULL && function(item, path);
}

void FreeItem(LPITEMIDLIST item)
{
    typedef void(WINAPI * Function)(LPITEMIDLIST);
    Function function = (Function)(void*)Shell32Function("ILFree");
    if (function != NULL)
        function(item);
}

void OpenWithShell(HWND owner, const char* verb, const char* file)
{
    typedef HINSTANCE(WINAPI * Function)(HWND, const char*, const char*, const char*,
                                         const char*, INT);
    Function function = (Function)(void*)Shell32Function("ShellExecuteA");
    if (function != NULL)
        function(owner, verb, file, "", "", SW_SHOW);
}
