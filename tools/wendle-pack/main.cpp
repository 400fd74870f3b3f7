// wendle-pack: appends the payload (requirement, download address, installer
// class) to the launcher executable, and lists the payload of a packed one.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "pack_format.h"

namespace {

const int kExitSuccess = 0;
const int kExitBadInput = 2;

const char kUsage[] =
    "usage: wendle-pack build --stub STUB --requirement REQ --url URL --class FILE.class -o OUT\n"
    "       wendle-pack list FILE\n"
    "       wendle-pack --help\n"
    "\n"
    "build  writes OUT: the launcher executable STUB followed by a payload that\n"
    "       holds the requirement string REQ (entry \"CommandLine\"), the address\n"
    "       of the VM download page URL (entry \"URL\") and the installer class\n"
    "       FILE.class (an entry named after the file). STUB must not carry a\n"
    "       payload yet. OUT is replaced only when everything succeeds.\n"
    "list   prints the payload entries of a packed executable, as the launcher\n"
    "       reads them.\n"
    "\n"
    "Exit status: 0 on success, 2 on bad arguments or input that is refused.\n";

int Fail(const std::string& message)
{
    std::fprintf(stderr, "wendle-pack: %s\n", message.c_str());
    return kExitBadInput;
}

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "wendle-pack: %s\n(wendle-pack --help shows the usage)\n",
                 message.c_str());
    return kExitBadInput;
}

bool IsHelp(const std::string& arg)
{
    return arg == "--help" || arg == "-h";
}

// Control characters, quotes and backslashes escaped, so that the value's
// extent is visible in the table.
std::string Quoted(const std::string& text)
{
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            quoted += escape;
        } else {
            if (c == '"' || c == '\\')
                quoted += '\\';
            quoted += char(c);
        }
    }
    return quoted + "\"";
}

int RunBuild(const std::vector<std::string>& args)
{
    // Each option's canonical name; -o is short for --output.
    const std::map<std::string, std::string> options = {
        {"--stub", "--stub"}, {"--requirement", "--requirement"}, {"--url", "--url"},
        {"--class", "--class"}, {"--output", "-o"},   {"-o", "-o"}};
    std::map<std::string, std::string> values;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (IsHelp(args[i])) {
            std::fputs(kUsage, stdout);
            return kExitSuccess;
        }
        auto option = options.find(args[i]);
        if (option == options.end()) {
            if (!args[i].empty() && args[i][0] == '-')
                return UsageError("unknown option " + args[i]);
            return UsageError("unexpected argument " + args[i]);
        }
        if (i + 1 >= args.size())
            return UsageError("option " + args[i] + " needs a value");
        if (values.count(option->second) != 0)
            return UsageError("option " + args[i] + " given twice");
        values[option->second] = args[++i];
    }
    for (const char* required : {"--stub", "--requirement", "--url", "--class", "-o"}) {
        if (values.count(required) == 0)
            return UsageError(std::string("build needs ") + required);
    }

    std::string error;
    if (!wendle_pack::BuildPackedFile(values["--stub"], values["--requirement"], values["--url"],
                                      values["--class"], values["-o"], &error))
        return Fail(error);
    return kExitSuccess;
}

int RunList(const std::vector<std::string>& args)
{
    if (args.size() == 1 && IsHelp(args[0])) {
        std::fputs(kUsage, stdout);
        return kExitSuccess;
    }
    if (args.size() != 1)
        return UsageError("list needs exactly one file");
    const std::string& path = args[0];

    std::vector<uint8_t> file;
    std::vector<wendle_pack::ListedEntry> entries;
    std::string error;
    if (!wendle_pack::ReadWholeFile(path, &file, &error))
        return Fail(error);
    if (!wendle_pack::ReadPayload(file, &entries, &error))
        return Fail(path + ": " + error);

    const unsigned long trailer = (unsigned long)(file.size() - wendle_pack::kTrailerSize);
    std::printf("%s: %lu bytes, first entry at 0x%08lX, trailer at 0x%08lX\n", path.c_str(),
                (unsigned long)file.size(),
                (unsigned long)entries[0].headerOffset, trailer);
    std::printf("%2s  %-19s  %-12s  %4s  %10s  %-11s  %s\n", "#", "Name", "Entry offset",
                "Kind", "Length", "Data offset", "Value");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const wendle_pack::ListedEntry& entry = entries[i];
        std::string value;
        // The launcher reads the first two entries as its settings.
        if (i < 2) {
            value = wendle_pack::ReadStringValue(file, entry, &value)
                        ? Quoted(value)
                        : "(no NUL within the data: the launcher cannot read it)";
        }
        char row[128];
        std::snprintf(row, sizeof row, "%2lu  %-19s  0x%08lX    %4lu  %10lu  0x%08lX",
                      (unsigned long)i, entry.name.c_str(), (unsigned long)entry.headerOffset,
                      (unsigned long)entry.kind, (unsigned long)entry.length,
                      (unsigned long)entry.dataOffset);
        std::printf("%s%s%s\n", row, value.empty() ? "" : "   ", value.c_str());
    }

    const wendle_pack::ListedEntry& last = entries.back();
    const unsigned long end = (unsigned long)last.dataOffset + last.length;
    if (end != trailer) {
        std::printf("note: the launcher reads no further than 0x%08lX; %lu bytes up to the "
                    "trailer are not part of its payload\n",
                    end, trailer - end);
    }
    return kExitSuccess;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return kExitBadInput;
    }
    if (IsHelp(args[0])) {
        std::fputs(kUsage, stdout);
        return kExitSuccess;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "build")
        return RunBuild(args);
    if (command == "list")
        return RunList(args);
    return UsageError("unknown command " + command);
}
