// The run's log (setup.exe --log FILE): one line per event, with the
// milliseconds since the log was opened in front, in UTF-8. Any part of the
// launcher may write to it; without an open log a line costs nothing, and a
// log that cannot be written never stops the run.
#pragma once

// Opens the log at path (ANSI), replacing an older file. False when it
// cannot be created; the run goes on without it.
bool OpenRunLog(const char* path);
void CloseRunLog();

// Formats printf-style, in the ANSI code page, and writes it as one line.
// A line longer than the log's buffer is cut. The last error is kept.
void LogLine(const char* format, ...);
