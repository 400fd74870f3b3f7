// Runs the real Wendle.exe and answers whatever it shows, as a patient user
// would, and takes stock of folders before and after. Shared by the
// mutation campaign and the tests of long and odd inputs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace hardening {

// What the user answers where the launcher offers a choice.
enum class SelectionAnswer {
    Launch,   // the VM selection dialog: OK, which extracts and runs the installer
    Cancel,   // the VM selection dialog: Cancel, then Yes to the question
};

// One run: the windows seen in the order they appeared, each named
// "usage" (the usage message), "selection" (the VM selection dialog, once it
// lists a VM), "no-vm" (the no-VM dialog), "question" (the cancel question)
// or "message: <text>" / "window <class> \"<caption>\"" for anything else,
// which is closed.
struct RunTrace {
    std::vector<std::string> windows;
    bool ended = false;        // by itself, within the limit
    DWORD exitCode = 0;
    DWORD elapsedMs = 0;
};

// Starts commandLine and answers its windows until it ends or limitMs have
// passed; then it is killed. The no-VM dialog is cancelled.
RunTrace RunAnswering(const std::string& commandLine, const test_support::RunOptions& options,
                      SelectionAnswer selection, DWORD limitMs);

// The text of the usage message (string 6) in English.
extern const char kUsageText[];

// Every file and folder below root down to depth levels (1: root's own
// entries), as paths relative to it ("a\", "a\b 12"): folders with a
// trailing backslash, files with their size; sorted.
std::vector<std::string> TreeListing(const std::string& root, int depth = 64);

// True when running under Wine (its own exports are there).
bool UnderWine();

// Maps a drive letter to a folder for this process and its children (under
// Wine: a link in the prefix's dosdevices folder), so that what the
// launcher writes to "\" of its current drive lands in that folder.
// Returns false when the letter cannot be mapped.
bool MapDrive(char letter, const std::string& folder);
void UnmapDrive(char letter);

// The JavaSoft registry keys of the VM kinds, in this process's registry
// view, which is the launcher's (both are 32-bit programs).
void RegisterJdk(const std::string& javaHome);
void DeleteJavaSoftKeys();

// Writes a file through a handle that no child process can inherit: test
// programs that start launchers from several threads must not hand one
// launcher the files another is about to run.
void WritePrivately(const std::string& path, const std::vector<uint8_t>& bytes);

// Removes everything inside folder, keeping the folder.
void EmptyFolder(const std::string& folder);

}  // namespace hardening
