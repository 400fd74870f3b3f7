// Paths that Windows gives in full, in wide characters, made usable for the
// launcher's ANSI functions. A user named "Dvořák" on a Windows whose ANSI
// code page is 1252 has a temporary directory, and usually a Downloads
// folder, that the ANSI functions can only name by a best-fit guess
// ("Dvorák"), which names no folder at all.
#pragma once

#include <windows.h>

enum AnsiPathForm {
    kAnsiPathExact,   // the code page holds the path exactly: used as it is
    kAnsiPathShort,   // it does not; the short (8.3) form, which it holds, is used
    kAnsiPathNone,    // neither: no ANSI function can reach the file
};

// Finds the short form of a path; GetShortPathNameW outside tests.
typedef DWORD(WINAPI* ShortPathLookup)(LPCWSTR longPath, LPWSTR shortPath, DWORD size);

// Converts widePath into output (kTextBufferSize bytes) for the ANSI
// functions: exactly when the code page holds it, else its short form when
// that exists and the code page holds it. output is empty for kAnsiPathNone.
AnsiPathForm ToAnsiPath(const wchar_t* widePath, char* output,
                        ShortPathLookup shortPathOf = GetShortPathNameW);

// Converts text into output (kTextBufferSize bytes) and returns true when the
// ANSI code page holds it exactly: no character replaced by a default or
// best-fit character, and the way back gives the same text. Else output is
// empty and the result false.
bool HoldsInAnsi(const wchar_t* text, char* output);

// ANSI text widened into output (kTextBufferSize wide characters).
bool WidenAnsiText(const char* text, wchar_t* output);

// The temporary directory as GetTempPathW gives it, ending in a backslash,
// into output (kTextBufferSize wide characters). False when it cannot be had
// or does not fit.
bool GetWideTempDir(wchar_t* output);

// The path of module's own file as GetModuleFileNameW gives it, into output
// (kTextBufferSize wide characters). False, with the reason as last error,
// when it cannot be had or does not fit: a path cut to fit names another file.
bool GetWideModulePath(HINSTANCE module, wchar_t* output);

// Cuts path at its last backslash: a file's path becomes its folder's, and a
// folder's path loses its trailing backslash.
void CutAtLastBackslash(wchar_t* path);
