#include "vm/vm_kinds.h"

#include <windows.h>

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

bool JdkLocator::LayOutClassRun(const char* classDir, const char* className, const char* classArgs,
                                char* arguments, const char** currentDir)
{
    *currentDir = classDir;
    return ComposeClassArguments(arguments, kArgumentsSize, NULL, classDir, className, classArgs);
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

bool JreLocator::LayOutClassRun(const char* classDir, const char* className, const char* classArgs,
                                char* arguments, const char** currentDir)
{
    *currentDir = NULL;
    return ComposeClassArguments(arguments, kArgumentsSize, "-cp ", classDir, className, classArgs);
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

bool MsVmLocator::LayOutClassRun(const char* classDir, const char* className, const char* classArgs,
                                 char* arguments, const char** currentDir)
{
    *currentDir = classDir;
    return ComposeClassArguments(arguments, kArgumentsSize, "-cp:p ", classDir, className, classArgs);
}
