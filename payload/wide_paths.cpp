#include "payload/wide_paths.h"

#include <wchar.h>

#include "payload/text_buffer.h"

bool HoldsInAnsi(const wchar_t* text, char* output)
{
    // With UTF-8 as the ANSI code page (an option of Windows 10 and later)
    // every path converts, and WideCharToMultiByte refuses both the flag and
    // the default-character test for it.
    bool utf8 = GetACP() == CP_UTF8;
    BOOL usedDefault = FALSE;
    // Without WC_NO_BEST_FIT_CHARS, "ř" silently becomes "r".
    int converted = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, text, -1, output,
                                        kTextBufferSize, NULL, utf8 ? NULL : &usedDefault);
    // The way back decides: no flag promises for every code page that a
    // character converts to bytes that mean that character again.
    wchar_t back[kTextBufferSize];
    if (converted == 0 || usedDefault ||
        MultiByteToWideChar(CP_ACP, 0, output, -1, back, kTextBufferSize) == 0 ||
        wcscmp(back, text) != 0) {
        output[0] = '\0';
        return false;
    }
    return true;
}

AnsiPathForm ToAnsiPath(const wchar_t* widePath, char* output, ShortPathLookup shortPathOf)
{
    if (HoldsInAnsi(widePath, output))
        return kAnsiPathExact;
    // On volumes that keep 8.3 names every file has a second, short name made
    // of plain characters. Where they are turned off the lookup fails or
    // hands back the long name, which the code page cannot hold either.
    wchar_t shortPath[kTextBufferSize];
    DWORD length = shortPathOf(widePath, shortPath, kTextBufferSize);
    if (length > 0 && length < kTextBufferSize && HoldsInAnsi(shortPath, output))
        return kAnsiPathShort;
    output[0] = '\0';
    return kAnsiPathNone;
}

bool WidenAnsiText(const char* text, wchar_t* output)
{
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, output, kTextBufferSize) != 0)
        return true;
    output[0] = L'\0';
    return false;
}

bool GetWideTempDir(wchar_t* output)
{
    DWORD length = GetTempPathW(kTextBufferSize, output);
    if (length == 0 || length >= kTextBufferSize) {
        output[0] = L'\0';
        return false;
    }
    return true;
}

bool GetWideModulePath(HINSTANCE module, wchar_t* output)
{
    DWORD length = GetModuleFileNameW(module, output, kTextBufferSize);
    if (length > 0 && length < kTextBufferSize)
        return true;
    if (length != 0)
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
    output[0] = L'\0';
    return false;
}

void CutAtLastBackslash(wchar_t* path)
{
    wchar_t* slash = wcsrchr(path, L'\\');
    if (slash != NULL)
        *slash = L'\0';
}
