#include "vm/registry.h"

#include <windows.h>

#include "payload/paths.h"
#include "payload/text_buffer.h"

bool ReadMachineValue(const char* keyName, const char* valueName, char* output)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    // One byte is kept back for a NUL: a string value need not carry its own.
    DWORD size = kTextBufferSize - 1;
    LONG result = RegQueryValueExA(key, valueName, NULL, NULL, (BYTE*)output, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return false;
    output[size] = '\0';
    return true;
}

bool ReadJavaHome(const char* keyName, char* javaHome)
{
    char version[kTextBufferSize];
    char versionKey[kTextBufferSize];
    if (!ReadMachineValue(keyName, "CurrentVersion", version))
        return false;
    if (!CopyText(versionKey, sizeof versionKey, keyName) || !AppendPath(versionKey, version))
        return false;
    return ReadMachineValue(versionKey, "JavaHome", javaHome);
}
