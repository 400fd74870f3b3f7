#include "app/dll_search.h"

#include <windows.h>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// An installer usually runs from the Downloads folder, next to whatever else
// was downloaded there. System DLLs load others on demand (the file and
// folder dialogs load many), and by default the application's folder is
// searched first. The function is looked up at run time so that the launcher
// still starts on systems without it.
bool RestrictDllSearch()
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == NULL)
        return false;
    SetDefaultDllDirectoriesFunction restrictSearch = (SetDefaultDllDirectoriesFunction)(
        void*)GetProcAddress(kernel, "SetDefaultDllDirectories");
    return restrictSearch != NULL && restrictSearch(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
