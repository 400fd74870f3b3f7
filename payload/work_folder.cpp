#include "payload/work_folder.h"

#include <windows.h>
#include <stdlib.h>
#include <wchar.h>

#include "payload/paths.h"
#include "payload/run_log.h"
#include "payload/text_buffer.h"
#include "payload/wide_paths.h"

void ComposeWorkFolderName(char* output, unsigned long processId, unsigned attempt)
{
    char number[16];
    CopyText(output, kTextBufferSize, "wendle-");
    AppendText(output, kTextBufferSize, _ultoa(processId, number, 10));
    AppendText(output, kTextBufferSize, "-");
    AppendText(output, kTextBufferSize, _ultoa(attempt, number, 10));
}

bool CreateWorkFolder(const char* parent, char* folder)
{
    folder[0] = '\0';
    // The process id keeps two launchers apart from the first try; the
    // attempt number gets past a folder that a run of an earlier process with
    // the same id left behind.
    unsigned long processId = GetCurrentProcessId();
    for (unsigned attempt = 0; attempt < kWorkFolderTries; ++attempt) {
        char name[kTextBufferSize];
        char path[kTextBufferSize];
        ComposeWorkFolderName(name, processId, attempt);
        // Room for the trailing backslash is made sure of first: a folder
        // created but then not named would stay behind.
        if (!CopyText(path, sizeof path, parent) || !AppendPath(path, name) ||
            !CopyText(folder, kTextBufferSize, path) || !AddBackslash(folder)) {
            folder[0] = '\0';
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        // Creating is the test: between a test and a creation another
        // launcher could take the name.
        if (CreateDirectoryA(path, NULL))
            return true;
        folder[0] = '\0';
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

static bool IsDotOrDotDot(const wchar_t* name)
{
    return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

// path: a folder without trailing backslash, in a buffer of kTextBufferSize
// wide characters, which is used for the paths below it and given back as it
// came. Wide functions, because a Java installer writes names of any
// language, which the ANSI ones could not name.
static void RemoveTree(wchar_t* path, FolderRemover removeFolder)
{
    size_t length = wcslen(path);
    if (CopyWideText(path + length, kTextBufferSize - length, L"\\*")) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(path, &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                path[length] = L'\\';
                if (IsDotOrDotDot(found.cFileName) ||
                    !CopyWideText(path + length + 1, kTextBufferSize - length - 1, found.cFileName))
                    continue;
                DWORD attributes = found.dwFileAttributes;
                if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                    RemoveTree(path, removeFolder);
                } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                    // A junction or folder link: following it would empty
                    // a folder outside.
                    removeFolder(path);
                } else {
                    // DeleteFile refuses a read-only file.
                    if (attributes & FILE_ATTRIBUTE_READONLY)
                        SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
                    if (!DeleteFileW(path))
                        LogLine("cannot remove %ls: error %lu", path, GetLastError());
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    path[length] = L'\0';
    // Windows keeps a folder marked read-only (attrib +r, Java's
    // dos:readonly), and with it every folder above.
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!removeFolder(path))
        LogLine("cannot remove the folder %ls: error %lu", path, GetLastError());
}

void RemoveFolderTree(const char* folder, FolderRemover removeFolder)
{
    wchar_t path[kTextBufferSize];
    if (folder[0] == '\0' || !WidenAnsiText(folder, path))
        return;
    size_t length = wcslen(path);
    if (length > 0 && path[length - 1] == L'\\')
        path[length - 1] = L'\0';
    // A drive's root, or a path cut so short, is never a folder of ours.
    if (wcslen(path) <= 3)
        return;
    RemoveTree(path, removeFolder);
}
