// The one application object: the settings of a run, the payload archive and
// the VM table, reached everywhere through GetLauncherApp.
#pragma once

#include <windows.h>

#include "payload/payload_archive.h"
#include "payload/text_buffer.h"
#include "vm/vm_table.h"

class VmLocator;

const char* const kProbeClassFileName = "TvqVersion.class";
const int kProbeClassResourceId = 105;
const char* const kProbeClassResourceType = "JAVACLASS";
const size_t kMessageBufferSize = 1024;

class LauncherApp {
public:
    LauncherApp();
    virtual ~LauncherApp() {}

    void Run(const char* commandTail);
    void RunInteractive();
    void RunProbe();
    bool ReadPayloadSettings();
    void GetProbeClassPath(char* path);
    void WriteProbeClass();
    void DeleteProbeClass();
    void ShowMessage(HWND owner, UINT stringId, UINT style, ...);
    // Extracts the payload into tempDir and runs the installer class with vm.
    // Returns true once the installer has been started (or its VM has been
    // asked to start it); a failure is reported by a thrown CException.
    bool LaunchInstaller(HWND dialog, VmLocator* vm);
    void Cleanup();

    HINSTANCE instance;
    int interactive;
    char requirement[kTextBufferSize];
    char tempDir[kTextBufferSize];
    char title[kTextBufferSize];
    char installerClassFile[kTextBufferSize];
    char downloadUrl[kTextBufferSize];
    PayloadArchive archive;
    VmTable vms;

private:
    LauncherApp(const LauncherApp&);
    LauncherApp& operator=(const LauncherApp&);
};

LauncherApp* GetLauncherApp();

// Formats format with arguments into output (outputSize bytes). A result that
// does not fit is cut at outputSize - 1 characters.
void FormatMessageText(char* output, size_t outputSize, const char* format, va_list arguments);

// The text without its leading blanks and tabs.
const char* SkipBlanks(const char* text);

// What follows the program name (quoted or not) and the blanks and tabs
// behind it in a whole command line, as GetCommandLineA gives it.
const char* CommandLineTail(const char* commandLine);
