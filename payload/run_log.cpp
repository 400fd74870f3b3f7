#include "payload/run_log.h"

#include <windows.h>
#include <stdarg.h>
#include <stdio.h>

#include "payload/text_buffer.h"

// Long enough for a VM's command line as most runs have it; a longer one is
// cut, which the log marks with the buffer's end.
static const int kLogTextSize = 2048;

static HANDLE logFile = INVALID_HANDLE_VALUE;
static DWORD openedAt = 0;

bool OpenRunLog(const char* path)
{
    CloseRunLog();
    openedAt = GetTickCount();
    // Not inheritable: the VMs the launcher starts must not hold it open.
    logFile = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, NULL);
    return logFile != INVALID_HANDLE_VALUE;
}

void CloseRunLog()
{
    if (logFile != INVALID_HANDLE_VALUE)
        CloseHandle(logFile);
    logFile = INVALID_HANDLE_VALUE;
}

void LogLine(const char* format, ...)
{
    if (logFile == INVALID_HANDLE_VALUE)
        return;
    DWORD lastError = GetLastError();
    char text[kLogTextSize];
    int prefix = _snprintf(text, kLogTextSize, "%6lu ms  ", GetTickCount() - openedAt);
    va_list arguments;
    va_start(arguments, format);
    // _vsnprintf leaves the buffer unterminated when the text fills it.
    _vsnprintf(text + prefix, kLogTextSize - prefix - 3, format, arguments);
    va_end(arguments);
    text[kLogTextSize - 3] = '\0';
    AppendText(text, sizeof text, "\r\n");
    // Each line is written at once, unbuffered, so that a run that ends
    // abruptly still leaves what it did; written, it goes as UTF-8.
    wchar_t wide[kLogTextSize];
    char utf8[kLogTextSize * 3];
    int wideLength = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, kLogTextSize);
    int length = WideCharToMultiByte(CP_UTF8, 0, wide, wideLength, utf8, sizeof utf8, NULL, NULL);
    DWORD written = 0;
    if (length > 1)
        WriteFile(logFile, utf8, (DWORD)length - 1, &written, NULL);
    SetLastError(lastError);
}
