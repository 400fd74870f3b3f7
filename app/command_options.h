// The options of setup.exe, which it knows only at the start of its command
// line: a command line that begins otherwise is a requirement string for
// probe mode, or empty for an interactive run.
#pragma once

#include "payload/text_buffer.h"

struct CommandOptions {
    // --silent: no window and no message box at all.
    bool silent;
    // --log FILE, empty without.
    char logPath[kTextBufferSize];
    // What follows "--" and its blanks, exactly as given, for the installer;
    // null without "--".
    const char* installerArgs;
    // Text behind the options that does not begin with "--": a requirement
    // string, for a probe run with a log; null when there is none.
    const char* requirement;
};

// Reads the options at the start of tail (which begins with "--"). False for
// anything else beginning with "--", a --log without its file, a file name
// longer than a path, and a requirement behind --silent; silent is set
// whatever else is wrong, so that a refusal stays silent too.
bool ReadCommandOptions(const char* tail, CommandOptions* options);
