// The one application object: the settings of a run, the payload archive and
// the VM table, reached everywhere through GetLauncherApp.
#pragma once

#include <windows.h>

#include "payload/payload_archive.h"
#include "payload/text_buffer.h"
#include "vm/vm_locator.h"
#include "vm/vm_table.h"

class VmLocator;

const char* const kProbeClassFileName = "TvqVersion.class";
const int kProbeClassResourceId = 105;
const char* const kProbeClassResourceType = "JAVACLASS";
const size_t kMessageBufferSize = 1024;
// The folder of the installer's own Java in the run's folder: longer than any
// entry's name (19 characters at most), so that no packed file can take it.
const char* const kBundledRuntimeFolder = "bundled-java-runtime";
// The FileVersion of the version record (res/version.rc), for the log.
const char* const kLauncherVersion = "2.50.001";

// Exit statuses of an interactive or silent run (probe mode ends with 0).
// An installer that ran gives its own; else, as Windows Installer has them:
const int kExitCancelled = 1602;     // the user cancelled
const int kExitCannotStart = 1603;   // no payload, extraction failed, the VM did not start
// No suitable Java and none brought along: "not supported on this system".
const int kExitNoSuitableJava = 1633;
const int kExitBadOption = 87;       // an option setup.exe does not know

class LauncherApp {
public:
    LauncherApp();
    virtual ~LauncherApp() {}

    void Run(const char* commandTail);
    void RunInteractive();
    // Without any window: the VM that the selection dialog would select
    // first, else the runtime the payload brings, else kExitNoSuitableJava.
    void RunSilent();
    void RunProbe();
    // The usage message, unless the run is silent.
    void ShowUsage();
    // Reads the three settings from the payload of the file at programPath,
    // and the JVM options and arguments when it holds them.
    bool ReadPayloadSettings(const char* programPath);
    // The text of the entry named name into value (kCommandLineSize bytes),
    // empty when there is none; false when it is unreadable.
    bool ReadLongSetting(const char* name, char* value);
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
    // class with vm, waiting for its VM to end, with the JVM options and the
    // arguments (packed, then the user's). Returns true once that VM has
    // ended (or could not be started); false when the payload could not be
    // extracted whole: the installer is not started and the user is told.
    // exitStatus then says which.
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
    // --silent: no window, no message box.
    int silent;
    // What the process ends with (kExit... or the installer's status).
    int exitStatus;
    // The arguments given after "--", as they were written; null for none.
    const char* userArgs;
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
    // The payload's JVM options and arguments, kCommandLineSize bytes each;
    // outside the object, which the linker puts among initialised data.
    char* vmOptions;
    char* packedArgs;
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
