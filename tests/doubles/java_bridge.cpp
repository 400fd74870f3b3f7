// Stands in for a Windows Java VM (java.exe, jre.exe, jview.exe) by running
// a Linux JVM on the same class and arguments. It understands the three
// command lines the launcher builds:
//   "exe" Class args...            class in the current directory
//   "exe" -cp DIR Class args...
//   "exe" -cp:p DIR Class args...
// "<own path without extension>.jvm" beside it names the JVM, one key=value a
// line:
//   java=/unix/path/bin/java
//   preload=/unix/path/exit_status_recorder.so
// The JVM's standard output is collected in a file and then written to the
// bridge's own standard output, so it arrives only where a Windows VM's
// output would. The JVM's standard error goes to Wine's own, for diagnosis.
// The bridge ends with the status the class passed to System.exit (all 32
// bits, through the preloaded recorder), or 125 when it cannot run the JVM.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const UINT kCannotRun = 125;

// Wine's own exports, absent on Windows: both answers are allocated on the
// process heap.
typedef char*(__cdecl* UnixFileNameFn)(LPCWSTR dosPath);
typedef WCHAR*(__cdecl* DosFileNameFn)(LPCSTR unixPath);
// Runs a Unix program; with wait set, blocks and returns its 8-bit status.
typedef int(__cdecl* UnixSpawnFn)(char* const* argv, int wait);

[[noreturn]] void Fail(const std::string& why)
{
    fprintf(stderr, "java_bridge: %s\n", why.c_str());
    fflush(stderr);
    ExitProcess(kCannotRun);
}

std::string Utf8(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    return out;
}

template <typename Fn>
Fn WineExport(const char* module, const char* name)
{
    Fn fn = (Fn)(void*)GetProcAddress(GetModuleHandleA(module), name);
    if (fn == nullptr)
        Fail(std::string("no ") + name + " in " + module + ": not running under Wine?");
    return fn;
}

std::string UnixPath(const std::wstring& dosPath)
{
    static UnixFileNameFn toUnix = WineExport<UnixFileNameFn>("kernel32.dll", "wine_get_unix_file_name");
    char* unixPath = toUnix(dosPath.c_str());
    if (unixPath == nullptr)
        Fail("no Unix path for " + Utf8(dosPath));
    std::string result(unixPath);
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

std::wstring DosPath(const std::string& unixPath)
{
    static DosFileNameFn toDos = WineExport<DosFileNameFn>("kernel32.dll", "wine_get_dos_file_name");
    WCHAR* dosPath = toDos(unixPath.c_str());
    if (dosPath == nullptr)
        Fail("no Windows path for " + unixPath);
    std::wstring result(dosPath);
    HeapFree(GetProcessHeap(), 0, dosPath);
    return result;
}

std::wstring OwnPathWithoutExtension()
{
    WCHAR path[MAX_PATH * 2];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring stem(path, length);
    size_t dot = stem.find_last_of(L'.');
    size_t slash = stem.find_last_of(L"\\/");
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash))
        stem.erase(dot);
    return stem;
}

struct JvmConfig {
    std::string java;
    std::string preload;
};

JvmConfig ReadJvmConfig()
{
    std::wstring path = OwnPathWithoutExtension() + L".jvm";
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr)
        Fail("cannot read " + Utf8(path));
    JvmConfig config;
    char line[4096];
    while (fgets(line, sizeof line, file) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        size_t equals = text.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = text.substr(0, equals);
        if (key == "java")
            config.java = text.substr(equals + 1);
        else if (key == "preload")
            config.preload = text.substr(equals + 1);
    }
    fclose(file);
    if (config.java.empty())
        Fail("no java= line in " + Utf8(path));
    return config;
}

// A fresh, empty file under the Unix temporary directory, created by name
// so that two bridges (even in two Wine prefixes) never share one. Not the
// Windows temporary directory: tests watch that one.
std::wstring NewUnixTempFile()
{
    const char* tmp = getenv("TMPDIR");
    std::wstring dir = DosPath(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
    WCHAR name[MAX_PATH * 2];
    if (GetTempFileNameW(dir.c_str(), L"jvb", 0, name) == 0)
        Fail("cannot create a temporary file in " + Utf8(dir));
    return name;
}

std::string ReadAll(const std::wstring& path)
{
    std::string bytes;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr)
        return bytes;
    char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    fclose(file);
    return bytes;
}

void WriteAll(HANDLE output, const std::string& bytes)
{
    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        DWORD written = 0;
        if (!WriteFile(output, data, (DWORD)left, &written, nullptr) || written == 0)
            return;   // no usable standard output: the output is lost, as for a Windows VM
        data += written;
        left -= written;
    }
}

// The Unix side: run in the bridge's current directory, the class directory
// resolved with readlink -f because Wine's Unix paths pass through
// "dosdevices/c:", and Java would split a class path at that colon.
const char kRunScript[] =
    "cd -- \"$1\" || exit 125\n"
    "classpath=$(readlink -f -- \"$2\") || exit 125\n"
    "java=$3 out=$6\n"
    "export LD_PRELOAD=\"$4\" WENDLE_EXIT_STATUS_FILE=\"$5\"\n"
    "shift 6\n"
    "exec \"$java\" -cp \"$classpath\" \"$@\" > \"$out\"\n";

}  // namespace

int main()
{
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr)
        Fail("cannot split the command line");
    std::vector<std::wstring> args(words + 1, words + count);
    LocalFree(words);

    WCHAR currentDir[MAX_PATH * 2];
    GetCurrentDirectoryW(MAX_PATH * 2, currentDir);
    std::wstring classDir = currentDir;
    size_t first = 0;
    if (!args.empty() && (args[0] == L"-cp" || args[0] == L"-cp:p")) {
        if (args.size() < 2)
            Fail("-cp without a directory");
        classDir = args[1];
        first = 2;
    }

    JvmConfig jvm = ReadJvmConfig();
    std::wstring outFile = NewUnixTempFile();
    std::wstring statusFile = NewUnixTempFile();

    std::vector<std::string> unixArgs = {"/bin/sh", "-c", kRunScript, "java_bridge",
                                         UnixPath(currentDir), UnixPath(classDir), jvm.java,
                                         jvm.preload, UnixPath(statusFile), UnixPath(outFile)};
    for (size_t i = first; i < args.size(); ++i)
        unixArgs.push_back(Utf8(args[i]));
    std::vector<char*> argv;
    for (std::string& arg : unixArgs)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);

    static UnixSpawnFn spawn = WineExport<UnixSpawnFn>("ntdll.dll", "__wine_unix_spawnvp");
    int shortStatus = spawn(argv.data(), 1);

    WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), ReadAll(outFile));
    std::string recorded = ReadAll(statusFile);
    DeleteFileW(outFile.c_str());
    DeleteFileW(statusFile.c_str());

    // Without a recorded status (the JVM died by a signal, or never started)
    // the 8-bit one is all there is.
    char* end = nullptr;
    long status = strtol(recorded.c_str(), &end, 10);
    ExitProcess(end != recorded.c_str() ? (UINT)status : (UINT)shortStatus);
}
