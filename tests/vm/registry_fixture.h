// Writes and removes the JavaSoft registry keys that the VM kinds read, in
// the test's own Wine prefix.
#pragma once

#include <windows.h>

#include <string>

namespace vm_test {

inline void SetMachineValue(const std::string& key, const std::string& name, const std::string& value)
{
    HKEY handle;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                                             KEY_WRITE, nullptr, &handle, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(handle, name.c_str(), 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(value.c_str()),
                                            (DWORD)value.size() + 1));
    RegCloseKey(handle);
}

inline void DeleteJavaSoftKeys()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\JavaSoft");
}

const char kJdkKey[] = "Software\\JavaSoft\\Java Development Kit";
const char kJreKey[] = "Software\\JavaSoft\\Java Runtime Environment";

// The registry layout of an installed JDK or JRE: CurrentVersion, and
// JavaHome under the subkey of that version.
inline void RegisterJava(const std::string& key, const std::string& version, const std::string& javaHome)
{
    SetMachineValue(key, "CurrentVersion", version);
    SetMachineValue(key + "\\" + version, "JavaHome", javaHome);
}

}  // namespace vm_test
