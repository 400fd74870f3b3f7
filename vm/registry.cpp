#include "vm/registry.h"

#include <windows.h>

#include "payload/paths.h"
#include "payload/run_log.h"
#include "payload/text_buffer.h"
#include "payload/wide_paths.h"

bool RunsUnderWow64()
{
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE process, PBOOL wow64);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == NULL)
        return false;
    IsWow64ProcessFn isWow64 = (IsWow64ProcessFn)(void*)GetProcAddress(kernel, "IsWow64Process");
    BOOL wow64 = FALSE;
    if (isWow64 == NULL || !isWow64(GetCurrentProcess(), &wow64))
        return false;
    return wow64 != FALSE;
}

int ViewsToSearch(RegistryView* views)
{
    int count = 0;
    views[count++] = kOwnView;
#ifdef _WIN64
    views[count++] = k32BitView;
#else
    if (RunsUnderWow64())
        views[count++] = k64BitView;
#endif
    return count;
}

RegistryKey::RegistryKey(const char* keyName, RegistryView view, RegistryHive hive) : handle_(0)
{
    HKEY key;
    HKEY root = hive == kUserHive ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    LONG status = RegOpenKeyExA(root, keyName, 0, KEY_READ | view, &key);
    if (status == ERROR_SUCCESS)
        handle_ = key;
    LogLine("registry %s\\%s, %s view: %s", hive == kUserHive ? "HKCU" : "HKLM", keyName,
            view == k64BitView ? "64-bit" : view == k32BitView ? "32-bit" : "own",
            status == ERROR_SUCCESS ? "opened" : status == ERROR_FILE_NOT_FOUND ? "missing" : "cannot be read");
}

RegistryKey::~RegistryKey()
{
    if (handle_ != 0)
        RegCloseKey((HKEY)handle_);
}

bool RegistryKey::ReadValue(const char* valueName, char* output) const
{
    if (handle_ == 0)
        return false;
    // One byte is kept back for a NUL: a string value need not carry its own.
    DWORD size = kTextBufferSize - 1;
    if (RegQueryValueExA((HKEY)handle_, valueName, NULL, NULL, (BYTE*)output, &size) !=
        ERROR_SUCCESS) {
        LogLine("  value %s: missing or too long", valueName);
        return false;
    }
    output[size] = '\0';
    LogLine("  value %s: %s", valueName, output);
    return true;
}

bool RegistryKey::ReadPathValue(const char* valueName, char* output) const
{
    output[0] = '\0';
    wchar_t wideName[kTextBufferSize];
    wchar_t path[kTextBufferSize];
    if (handle_ == 0 || !WidenAnsiText(valueName, wideName))
        return false;
    // Through the ANSI function a folder named in another script would come
    // back as a best-fit guess, a folder that does not exist.
    DWORD size = (kTextBufferSize - 1) * sizeof(wchar_t);
    if (RegQueryValueExW((HKEY)handle_, wideName, NULL, NULL, (BYTE*)path, &size) !=
        ERROR_SUCCESS) {
        LogLine("  value %s: missing or too long", valueName);
        return false;
    }
    path[size / sizeof(wchar_t)] = L'\0';
    bool named = ToAnsiPath(path, output) != kAnsiPathNone;
    LogLine("  value %s: %s", valueName, named ? output : "a path with no ANSI name");
    return named;
}

bool RegistryKey::SubkeyName(unsigned long index, char* name) const
{
    if (handle_ == 0)
        return false;
    DWORD size = kTextBufferSize;
    return RegEnumKeyExA((HKEY)handle_, index, name, &size, NULL, NULL, NULL, NULL) ==
           ERROR_SUCCESS;
}

bool ReadMachineValue(const char* keyName, const char* valueName, char* output, RegistryView view)
{
    RegistryKey key(keyName, view);
    return key.ReadValue(valueName, output);
}

bool ReadMachinePath(const char* keyName, const char* valueName, char* output, RegistryView view,
                     RegistryHive hive)
{
    RegistryKey key(keyName, view, hive);
    return key.ReadPathValue(valueName, output);
}

bool ReadJavaHome(const char* keyName, char* javaHome, RegistryView view)
{
    char version[kTextBufferSize];
    char versionKey[kTextBufferSize];
    if (!ReadMachineValue(keyName, "CurrentVersion", version, view))
        return false;
    if (!CopyText(versionKey, sizeof versionKey, keyName) || !AppendPath(versionKey, version))
        return false;
    return ReadMachinePath(versionKey, "JavaHome", javaHome, view);
}
