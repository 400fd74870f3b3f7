// The JVM options and installer arguments that build --jvm-option and --arg
// pack, as the entries "WendleJvmOptions" and "WendleArguments": each the
// text of a command line, every item quoted the way the Microsoft C run-time
// (and the java launcher) splits a command line, so that each reaches the VM
// or the installer exactly as given. The launcher puts the options in front
// of the class and the arguments behind it, then those given after "--".
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace wendle_pack {

extern const char kJvmOptionsEntry[];   // "WendleJvmOptions"
extern const char kArgumentsEntry[];    // "WendleArguments"

// What CreateProcess carries, and the launcher's command line with it.
constexpr std::size_t kMaxCommandLineLength = 32767;

// item as one word of a command line: as it is, unless it is empty or holds
// a blank, a tab or a double quote; then in double quotes, with a
// backslash in front of each quote and the backslashes in front of a quote.
std::string QuoteArgument(const std::string& item);
// The items quoted and joined by blanks.
std::string JoinArguments(const std::vector<std::string>& items);

// Why text cannot go on the launcher's command line as it is meant, or empty:
// a control character, or a byte above 127, which the launcher's ANSI
// command line would read in the user's code page.
std::string CommandLineFault(const std::string& text);

// Checks the items of --jvm-option (each must begin with "-", or the VM
// takes it for the class) and --arg, and that the longest command line the
// launcher could give the installer's VM with them fits, for every kind of
// VM: the longest VM path and run folder, and the class path option of
// that kind. className is the class the VM runs.
bool CheckLaunchSettings(const std::vector<std::string>& jvmOptions,
                         const std::vector<std::string>& arguments, const std::string& className,
                         std::string* error);

// The length of that longest command line for the texts as packed.
std::size_t LongestInstallerCommandLine(const std::string& jvmOptions,
                                        const std::string& arguments,
                                        const std::string& className);

}  // namespace wendle_pack
