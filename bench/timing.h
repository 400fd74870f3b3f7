// Clocks and the result lines that bench/run reads. The programs report raw
// samples; bench/run takes the medians and forms the ratios.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

// Milliseconds from QueryPerformanceCounter.
double NowMs();

// Starts commandLine with its standard handles on the null device in
// currentDir, waits for its end and returns the milliseconds from just
// before CreateProcess to the end of the wait. Throws when the program
// cannot start or exits with a status other than expectedExit.
double TimeProcess(const std::string& commandLine, const std::string& currentDir,
                   DWORD expectedExit = 0);

// One line "samples KEY UNIT v1 v2 ..." on standard output.
void PrintSamples(const std::string& key, const char* unit, const std::vector<double>& values);
// One line "note TEXT": shown by bench/run under the table.
void PrintNote(const std::string& text);

[[noreturn]] void Fail(const std::string& what);

// Options "--name value" from argv, by name; Fail when missing.
std::string Option(int argc, char** argv, const char* name);
int IntOption(int argc, char** argv, const char* name, int fallback);

}  // namespace bench
