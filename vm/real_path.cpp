#include "vm/real_path.h"

#include <windows.h>
#include <wchar.h>

#include "payload/text_buffer.h"
#include "payload/wide_paths.h"

// Looked up at run time: Windows before Vista lacks it, and there the
// long form of the path has to do (it resolves no link).
typedef DWORD(WINAPI* FinalPathFn)(HANDLE file, LPWSTR path, DWORD size, DWORD flags);

static bool FinalPath(const wchar_t* path, wchar_t* finalPath)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FinalPathFn finalPathOf =
        kernel != NULL ? (FinalPathFn)(void*)GetProcAddress(kernel, "GetFinalPathNameByHandleW") : NULL;
    if (finalPathOf == NULL) {
        DWORD length = GetLongPathNameW(path, finalPath, kTextBufferSize);
        return length > 0 && length < kTextBufferSize;
    }
    HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    wchar_t named[kTextBufferSize + 8];
    DWORD length = finalPathOf(file, named, kTextBufferSize + 8, 0);
    CloseHandle(file);
    if (length == 0 || length >= kTextBufferSize + 8)
        return false;
    // "\\?\C:\..." for a drive, "\\?\UNC\server\share\..." for a share.
    const wchar_t* plain = named;
    if (wcsncmp(named, L"\\\\?\\UNC\\", 8) == 0) {
        plain = named + 6;
        named[6] = L'\\';
    } else if (wcsncmp(named, L"\\\\?\\", 4) == 0) {
        plain = named + 4;
    }
    return CopyWideText(finalPath, kTextBufferSize, plain);
}

bool GetRealPath(const char* path, char* realPath)
{
    wchar_t widePath[kTextBufferSize];
    wchar_t finalPath[kTextBufferSize];
    realPath[0] = '\0';
    return WidenAnsiText(path, widePath) && FinalPath(widePath, finalPath) &&
           ToAnsiPath(finalPath, realPath) != kAnsiPathNone;
}
