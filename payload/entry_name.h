// The one rule for the names of payload entries, which the launcher writes as
// files into its run's folder. Plain C++ without <windows.h>: wendle-pack
// compiles the same file, so that it never packs a name the launcher's walk
// refuses, and every later reader of names that become files uses it too.
#pragma once

enum EntryNameFault {
    kEntryNameOk,
    kEntryNameEmpty,
    // < > : " / \ | ? * or a byte from 0 to 31: Windows refuses them, and a
    // separator or a drive colon would leave the folder.
    kEntryNameBadCharacter,
    // Windows drops a trailing dot or blank, so the file gets another name;
    // "." and ".." end in a dot too.
    kEntryNameBadEnding,
    // A byte above 127 is read in the user's ANSI code page, so a name packed
    // in UTF-8 is written under another name than the installer looks for.
    kEntryNameNotAscii,
    // CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$, with
    // any extension: Windows opens the device instead of a file.
    kEntryNameDevice,
    // A file the launcher writes into the same folder itself: the probe class
    // and the capture files of the VM runs.
    kEntryNameLaunchersOwn
};

// Why name may not be written into the run's folder, or kEntryNameOk.
// Letter case is ignored, as Windows ignores it.
EntryNameFault CheckEntryName(const char* name);

// True for a name the launcher may write into the run's folder.
bool IsWritableEntryName(const char* name);

// True for "runtime.tar", letter case ignored: the entry of the Java runtime
// that an installer may bring, which the launcher unpacks as a runtime and
// never extracts as a file. No other file may take that name.
bool IsRuntimeEntryName(const char* name);
