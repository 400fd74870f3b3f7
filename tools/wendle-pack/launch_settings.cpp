#include "launch_settings.h"

#include "payload_layout.h"

namespace wendle_pack {

const char kJvmOptionsEntry[] = "WendleJvmOptions";
const char kArgumentsEntry[] = "WendleArguments";

namespace {

// The launcher's worst case: a double quote, a VM path of 259 characters,
// a double quote and a blank; the Microsoft VM's "-cp:p "; a run folder of
// 258 characters without its backslash, quoted, and a blank.
const std::size_t kVmPart = 1 + 259 + 2;
const std::size_t kLongestClassPathOption = 6;
const std::size_t kClassDirPart = 1 + 258 + 1 + 1;

}  // namespace

std::string QuoteArgument(const std::string& item)
{
    // Windows' java launcher expands an unquoted * or ? into file names.
    if (!item.empty() && item.find_first_of(" \t\"*?") == std::string::npos)
        return item;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : item) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count double in front of a quote only.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    return quoted.append(backslashes * 2, '\\') + "\"";
}

std::string JoinArguments(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : " ") + QuoteArgument(item);
    return text;
}

std::string CommandLineFault(const std::string& text)
{
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F)
            return "holds a control character";
        if (c > 0x7F)
            return "holds a byte above 127, which the launcher's command line would read in "
                   "the user's code page";
    }
    return "";
}

std::size_t LongestInstallerCommandLine(const std::string& jvmOptions,
                                        const std::string& arguments,
                                        const std::string& className)
{
    return kVmPart + (jvmOptions.empty() ? 0 : jvmOptions.size() + 1) + kLongestClassPathOption +
           kClassDirPart + className.size() + (arguments.empty() ? 0 : arguments.size() + 1);
}

bool CheckLaunchSettings(const std::vector<std::string>& jvmOptions,
                         const std::vector<std::string>& arguments, const std::string& className,
                         std::string* error)
{
    for (const std::string& option : jvmOptions) {
        std::string fault = CommandLineFault(option);
        if (fault.empty() && (option.empty() || option[0] != '-'))
            fault = "does not begin with \"-\"; the VM would take it for the class to run";
        if (!fault.empty()) {
            *error = "--jvm-option \"" + option + "\" " + fault;
            return false;
        }
    }
    for (const std::string& argument : arguments) {
        const std::string fault = CommandLineFault(argument);
        if (!fault.empty()) {
            *error = "--arg \"" + argument + "\" " + fault;
            return false;
        }
    }
    const std::size_t longest = LongestInstallerCommandLine(JoinArguments(jvmOptions),
                                                            JoinArguments(arguments), className);
    if (longest > kMaxCommandLineLength) {
        *error = "with these --jvm-option and --arg the installer's command line could reach " +
                 std::to_string(longest) + " characters (a VM path and a run folder of 259 "
                 "characters, the Microsoft VM's \"-cp:p\"); Windows carries at most " +
                 std::to_string(kMaxCommandLineLength);
        return false;
    }
    return true;
}

}  // namespace wendle_pack
