#include "payload/paths.h"

#include "payload/run_log.h"

#include <windows.h>
#include <string.h>

#include "payload/text_buffer.h"

char* LastChar(char* text)
{
    size_t length = strlen(text);
    return length == 0 ? NULL : text + length - 1;
}

char* FindLastChar(char* text, char byte)
{
    for (size_t index = strlen(text); index > 0; --index) {
        if (text[index - 1] == byte)
            return text + index - 1;
    }
    return NULL;
}

bool AddBackslash(char* text)
{
    char* last = LastChar(text);
    if (last != NULL && *last == '\\')
        return true;
    return AppendText(text, kTextBufferSize, "\\");
}

void RemoveBackslash(char* text)
{
    char* last = LastChar(text);
    if (last != NULL && *last == '\\')
        *last = '\0';
}

bool AppendPath(char* directory, const char* name)
{
    char joined[kTextBufferSize];
    char cleanName[kTextBufferSize];
    if (!CopyText(joined, sizeof joined, directory) || !CopyText(cleanName, sizeof cleanName, name))
        return false;
    RemoveBackslash(cleanName);
    if (!AddBackslash(joined) || !AppendText(joined, sizeof joined, cleanName))
        return false;
    return CopyText(directory, kTextBufferSize, joined);
}

bool StripExtension(char* text)
{
    char* dot = FindLastChar(text, '.');
    if (dot == NULL)
        return false;
    *dot = '\0';
    return true;
}

bool GetFileNamePart(const char* path, char* output)
{
    char copy[kTextBufferSize];
    if (!CopyText(copy, sizeof copy, path))
        return false;
    RemoveBackslash(copy);
    char* slash = FindLastChar(copy, '\\');
    if (slash == NULL)
        return false;
    return CopyText(output, kTextBufferSize, slash + 1);
}

// OpenFile(OF_EXIST) would be the classic test, but it fails for every path
// longer than 127 characters (OFS_MAXPATHNAME), so a VM installed a few
// folders deep would be reported missing.
bool FileExists(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    bool exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    LogLine("file %s: %s", path, exists ? "found" : "missing");
    return exists;
}
