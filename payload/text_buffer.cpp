#include "payload/text_buffer.h"

#include <string.h>
#include <wchar.h>

bool CopyText(char* dest, size_t destSize, const char* source)
{
    size_t length = strlen(source);
    if (destSize == 0 || length >= destSize)
        return false;
    memcpy(dest, source, length + 1);
    return true;
}

bool AppendText(char* dest, size_t destSize, const char* source)
{
    size_t used = strnlen(dest, destSize);
    if (used >= destSize)
        return false;
    return CopyText(dest + used, destSize - used, source);
}

bool CopyWideText(wchar_t* dest, size_t destSize, const wchar_t* source)
{
    size_t length = wcslen(source);
    if (destSize == 0 || length >= destSize)
        return false;
    memcpy(dest, source, (length + 1) * sizeof(wchar_t));
    return true;
}
