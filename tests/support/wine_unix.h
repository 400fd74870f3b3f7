// Wine's own exports, for test programs that reach past Windows to the Unix
// side: the Unix path of a Windows one, and a Unix program run to its end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wine {

inline std::string UnixPath(const std::wstring& path)
{
    typedef char*(__cdecl * ToUnix)(LPCWSTR);
    char* unix = ((ToUnix)(void*)GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name"))(path.c_str());
    std::string result = unix != nullptr ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Blocks until the program ends, and gives back the low 8 bits of its status.
inline int RunUnix(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    typedef int(__cdecl * Spawn)(char* const*, int);
    return ((Spawn)(void*)GetProcAddress(GetModuleHandleA("ntdll"), "__wine_unix_spawnvp"))(argv.data(), 1);
}

}  // namespace wine
