// Writes and removes the registry keys of installed Java VMs in either
// registry view of the test's own 64-bit Wine prefix, and keeps JAVA_HOME
// out of the way. A 32-bit test sees the 32-bit view (Wow6432Node) as its
// own; KEY_WOW64_64KEY reaches the view where a 64-bit installer writes.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace views_test {

enum class View { Own32Bit, Native64Bit };

inline const char* Name(View view)
{
    return view == View::Own32Bit ? "32-bit view" : "64-bit view";
}

inline REGSAM Bits(View view)
{
    return view == View::Native64Bit ? KEY_WOW64_64KEY : 0;
}

inline void SetValue(View view, const std::string& key, const std::string& name,
                     const std::string& value)
{
    HKEY handle;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                                             KEY_WRITE | Bits(view), nullptr, &handle, nullptr))
        << key << " in the " << Name(view);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(handle, name.c_str(), 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(value.c_str()),
                                            (DWORD)value.size() + 1));
    RegCloseKey(handle);
}

// True when HKLM\key exists in view.
inline bool KeyExists(View view, const std::string& key)
{
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | Bits(view), &handle) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

// Removes HKLM\parent\child with everything below it; parent stays.
inline void DeleteTree(View view, const std::string& parent, const std::string& child)
{
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent.c_str(), 0, KEY_ALL_ACCESS | Bits(view),
                      &handle) != ERROR_SUCCESS)
        return;
    RegDeleteTreeA(handle, child.c_str());
    RegCloseKey(handle);
}

// Every key that a kind reads, in both views.
inline void DeleteJavaKeys()
{
    for (View view : {View::Own32Bit, View::Native64Bit}) {
        DeleteTree(view, "Software", "JavaSoft");
        DeleteTree(view, "Software", "Eclipse Adoptium");
        DeleteTree(view, "Software\\Microsoft", "JDK");
        DeleteTree(view, "Software", "Azul Systems");
        DeleteTree(view, "Software", "BellSoft");
    }
}

// The registry layout of the JavaSoft keys: CurrentVersion, and JavaHome
// under the subkey of that version.
inline void RegisterJavaSoft(View view, const std::string& key, const std::string& version,
                             const std::string& javaHome)
{
    SetValue(view, key, "CurrentVersion", version);
    SetValue(view, key + "\\" + version, "JavaHome", javaHome);
}

const char kOldJdkKey[] = "Software\\JavaSoft\\Java Development Kit";
const char kOldJreKey[] = "Software\\JavaSoft\\Java Runtime Environment";
const char kJdkKey[] = "Software\\JavaSoft\\JDK";
const char kJreKey[] = "Software\\JavaSoft\\JRE";

// Sets JAVA_HOME for this process (null: removes it) and puts back what was
// there when the object goes.
class JavaHomeVariable {
public:
    JavaHomeVariable()
    {
        char value[32768];
        DWORD length = GetEnvironmentVariableA("JAVA_HOME", value, sizeof value);
        had_ = length > 0 && length < sizeof value;
        if (had_)
            saved_ = value;
        Set(nullptr);
    }
    ~JavaHomeVariable() { SetEnvironmentVariableA("JAVA_HOME", had_ ? saved_.c_str() : nullptr); }
    void Set(const char* value) { SetEnvironmentVariableA("JAVA_HOME", value); }

private:
    bool had_ = false;
    std::string saved_;
};

}  // namespace views_test
