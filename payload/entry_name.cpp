#include "payload/entry_name.h"

#include <string.h>

namespace {

char LowerCase(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

// The first length characters of text equal word (lower case), letter case
// ignored, and word has exactly length characters.
bool IsWord(const char* text, size_t length, const char* word)
{
    if (strlen(word) != length)
        return false;
    for (size_t at = 0; at < length; ++at) {
        if (LowerCase(text[at]) != word[at])
            return false;
    }
    return true;
}

// Windows reads the part in front of the first dot, less its trailing
// blanks, as the device: "nul.dat" and "con .txt" are devices too.
bool IsDeviceName(const char* name)
{
    static const char* const devices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    const char* dot = strchr(name, '.');
    size_t length = dot != NULL ? (size_t)(dot - name) : strlen(name);
    while (length > 0 && name[length - 1] == ' ')
        --length;
    for (size_t index = 0; index < sizeof devices / sizeof devices[0]; ++index) {
        if (IsWord(name, length, devices[index]))
            return true;
    }
    return length == 4 && (IsWord(name, 3, "com") || IsWord(name, 3, "lpt")) && name[3] >= '1' &&
           name[3] <= '9';
}

// The probe class, the installer run's capture file, and the capture file
// of each probe that runs beside others, one per VM slot.
bool IsLaunchersOwn(const char* name)
{
    size_t length = strlen(name);
    if (IsWord(name, length, "tvqversion.class") || IsWord(name, length, "stdout.tmp"))
        return true;
    return length == 11 && IsWord(name, 6, "stdout") && name[6] >= '0' && name[6] <= '9' &&
           IsWord(name + 7, 4, ".tmp");
}

}  // namespace

EntryNameFault CheckEntryName(const char* name)
{
    if (name[0] == '\0')
        return kEntryNameEmpty;
    for (const char* at = name; *at != '\0'; ++at) {
        unsigned char c = (unsigned char)*at;
        if (c > 127)
            return kEntryNameNotAscii;
        if (c < 32 || strchr("<>:\"/\\|?*", c) != NULL)
            return kEntryNameBadCharacter;
    }
    char last = name[strlen(name) - 1];
    if (last == '.' || last == ' ')
        return kEntryNameBadEnding;
    if (IsDeviceName(name))
        return kEntryNameDevice;
    if (IsLaunchersOwn(name))
        return kEntryNameLaunchersOwn;
    return kEntryNameOk;
}

bool IsWritableEntryName(const char* name)
{
    return CheckEntryName(name) == kEntryNameOk;
}

bool IsRuntimeEntryName(const char* name)
{
    return IsWord(name, strlen(name), "runtime.tar");
}
