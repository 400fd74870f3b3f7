#include "vm/vm_kinds.h"

#include <windows.h>
#include <direct.h>

#include "payload/paths.h"
#include "vm/registry.h"

static const char kJdkKey[] = "Software\\JavaSoft\\Java Development Kit";
static const char kJreKey[] = "Software\\JavaSoft\\Java Runtime Environment";

// javaHome joined with "Bin" and fileName into path; true when that file exists.
static bool FindInBin(const char* javaHome, const char* fileName, char* path)
{
    if (!CopyText(path, kTextBufferSize, javaHome) || !AppendPath(path, "Bin") ||
        !AppendPath(path, fileName))
        return false;
    return FileExists(path);
}

int JdkLocator::MatchExecutable(const char* fullPath, const char* fileName)
{
    static const char* const names[] = {"java.exe", NULL};
    return AcceptNamed(fullPath, fileName, names);
}

int JdkLocator::Locate()
{
    RegistryView views[kMostViews];
    int viewCount = ViewsToSearch(views);
    for (int view = 0; view < viewCount; ++view) {
        char javaHome[kTextBufferSize];
        char candidate[kTextBufferSize];
        if (ReadJavaHome(kJdkKey, javaHome, views[view]) &&
            FindInBin(javaHome, "java.exe", candidate))
            return CopyText(exePath, sizeof exePath, candidate) ? 1 : 0;
    }
    return 0;
}

int JdkLocator::RunClass(const char* classDir, const char* className, const char* classArgs)
{
    char arguments[kArgumentsSize];
    if (!ComposeClassArguments(arguments, sizeof arguments, NULL, classDir, className, classArgs))
        return kCannotStart;
    char previous[kTextBufferSize];
    previous[0] = '\0';
    _getcwd(previous, sizeof previous);
    _chdir(classDir);
    int result = Exec(arguments);
    _chdir(previous);
    return result;
}

int JreLocator::MatchExecutable(const char* fullPath, const char* fileName)
{
    static const char* const names[] = {"jre.exe", "java.exe", NULL};
    return AcceptNamed(fullPath, fileName, names);
}

int JreLocator::Locate()
{
    RegistryView views[kMostViews];
    int viewCount = ViewsToSearch(views);
    for (int view = 0; view < viewCount; ++view) {
        char javaHome[kTextBufferSize];
        char candidate[kTextBufferSize];
        if (!ReadJavaHome(kJreKey, javaHome, views[view]))
            continue;
        if (FindInBin(javaHome, "jre.exe", candidate) || FindInBin(javaHome, "java.exe", candidate))
            return CopyText(exePath, sizeof exePath, candidate) ? 1 : 0;
    }
    return 0;
}

int JreLocator::RunClass(const char* classDir, const char* className, const char* classArgs)
{
    char arguments[kArgumentsSize];
    if (!ComposeClassArguments(arguments, sizeof arguments, "-cp ", classDir, className, classArgs))
        return kCannotStart;
    return Exec(arguments);
}

int MsVmLocator::MatchExecutable(const char* fullPath, const char* fileName)
{
    static const char* const names[] = {"jview.exe", NULL};
    return AcceptNamed(fullPath, fileName, names);
}

int MsVmLocator::Locate()
{
    char candidate[kTextBufferSize];
    candidate[0] = '\0';
    GetWindowsDirectoryA(candidate, sizeof candidate);
    if (!AppendPath(candidate, "jview.exe") || !FileExists(candidate))
        return 0;
    return CopyText(exePath, sizeof exePath, candidate) ? 1 : 0;
}

int MsVmLocator::RunClass(const char* classDir, const char* className, const char* classArgs)
{
    char arguments[kArgumentsSize];
    if (!ComposeClassArguments(arguments, sizeof arguments, "-cp:p ", classDir, className,
                               classArgs))
        return kCannotStart;
    _chdir(classDir);
    return Exec(arguments);
}
