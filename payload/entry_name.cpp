#include "payload/entry_name.h"

#include <string.h>

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

// The first length bytes of text are word, letter case ignored; word is in
// lower case.
bool IsWord(const char* text, size_t length, const char* word)
{
    if (strlen(word) != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (Lower(text[i]) != word[i])
            return false;
    }
    return true;
}

}  // namespace

bool IsWritableEntryName(const char* name)
{
    size_t length = strlen(name);
    if (length == 0 || name[length - 1] == '.' || name[length - 1] == ' ')
        return false;   // "." and ".." end in a dot too
    for (const char* c = name; *c != '\0'; ++c) {
        if ((unsigned char)*c < 32 || (unsigned char)*c > 127 || strchr("<>:\"/\\|?*", *c) != NULL)
            return false;
    }
    // Windows opens the device for "nul.txt" and "NUL .txt" as well.
    size_t stem = strcspn(name, ".");
    while (stem > 0 && name[stem - 1] == ' ')
        --stem;
    static const char* const kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    for (size_t i = 0; i < sizeof kDevices / sizeof kDevices[0]; ++i) {
        if (IsWord(name, stem, kDevices[i]))
            return false;
    }
    if (stem == 4 && (IsWord(name, 3, "com") || IsWord(name, 3, "lpt")) && name[3] >= '1' &&
        name[3] <= '9')
        return false;
    if (IsWord(name, length, "tvqversion.class") || IsWord(name, length, "stdout.tmp"))
        return false;
    return !(length == 11 && IsWord(name, 6, "stdout") && name[6] >= '0' && name[6] <= '9' &&
             IsWord(name + 7, 4, ".tmp"));
}
