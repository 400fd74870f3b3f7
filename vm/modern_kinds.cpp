#include "vm/modern_kinds.h"

int ClassPathKind::MatchExecutable(const char* fullPath, const char* fileName)
{
    (void)fullPath;
    (void)fileName;
    return 0;
}

int ClassPathKind::Locate()
{
    return exePath[0] != '\0' ? 1 : 0;
}

bool ClassPathKind::LayOutClassRun(const char* classDir, const char* className,
                                   const char* classArgs, char* arguments, const char** currentDir)
{
    *currentDir = NULL;
    return ComposeClassArguments(arguments, kArgumentsSize, "-cp ", classDir, className, classArgs);
}
