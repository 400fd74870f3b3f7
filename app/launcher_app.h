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
// The folder of the installer's own Java in the run's folder: longer than any
// entry's name (19 characters at most), so that no packed file can take it.
const char* const kBundledRuntimeFolder = "bundled-java-runtime";

class LauncherApp {
public:
    LauncherApp();
    virtual ~LauncherApp() {}

    void Run(const char* commandTail);
    void RunInteractive();
    void RunProbe();
    // Reads the three settings from the payload of the file at programPath.
    bool ReadPayloadSettings(const char* programPath);
    // widePath converted for the ANSI functions into output (ToAnsiPath).
    // When it has no ANSI form the run cannot go on: in interactive mode the
    // user is told so, with the folder that widePath names or lies in (which
    // becomes widePath), and false is returned.
    bool UseAnsiPath(wchar_t* widePath, char* output);
    // Message box with string IDS_CANNOT_RUN_HERE, which names folder.
    void ShowCannotRunHere(const wchar_t* folder);
    // Creates workDir: a new folder of this run's own in tempDir.
    void CreateWorkDir();
    // Removes workDir with all it holds, whatever the installer left there.
    void RemoveWorkDir();
    // workDir joined with name into path (kTextBufferSize bytes); false when
    // there is no workDir yet or the path does not fit.
    bool GetWorkPath(const char* name, char* path);
    void GetProbeClassPath(char* path);
    void WriteProbeClass();
    void ShowMessage(HWND owner, UINT stringId, UINT style, ...);
    // A message box with text in the ANSI code page and title as caption;
    // returns the button pressed.
    int ShowText(HWND owner, const char* text, UINT style);
    // Gives a dialog the caption title.
    void SetCaption(HWND dialog);
    // Extracts the payload into workDir, hides dialog and runs the installer
    // class with vm, waiting for its VM to end. Returns true once that VM has
    // ended (or could not be started); false when the payload could not be
    // extracted whole: the installer is not started and the user is told.
    bool LaunchInstaller(HWND dialog, VmLocator* vm);
    void Cleanup();
    // Unpacks the Java runtime that the payload brings into its folder in
    // workDir and names its bin\java.exe in javaExe (kTextBufferSize bytes).
    // False, with nothing of it left, when there is none or it is refused.
    bool UnpackBundledRuntime(char* javaExe);
    // Removes that folder, for a runtime that does not suit.
    void RemoveBundledRuntime();

    HINSTANCE instance;
    int interactive;
    char requirement[kTextBufferSize];
    char tempDir[kTextBufferSize];
    // The folder of this run's own in tempDir (ending in a backslash), where
    // the probe class, the capture files and the payload go; empty until it
    // has been created and after it has been removed.
    char workDir[kTextBufferSize];
    // String 2, the caption of every dialog and message box: wide, since a
    // publisher's product name need not fit the ANSI code page.
    wchar_t title[kTextBufferSize];
    char installerClassFile[kTextBufferSize];
    char downloadUrl[kTextBufferSize];
    PayloadArchive archive;
    VmTable vms;
    // True while LaunchInstaller waits for the installer's VM, handling
    // messages meanwhile.
    bool installerRunning;

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
