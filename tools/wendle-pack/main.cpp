// wendle-pack: appends the payload (requirement, download address, installer
// class or jar, further files) to the launcher executable, and lists, checks
// and extracts the payload of a packed one.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "launch_settings.h"
#include "pack_format.h"
#include "pe_signature.h"
#include "verify.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace {

const int kExitSuccess = 0;
const int kExitFoundWrong = 1;
const int kExitBadInput = 2;

const char kUsage[] =
    "usage: wendle-pack build --stub STUB --requirement REQ --url URL\n"
    "                         (--class FILE.class | --jar FILE.jar) [--file PATH]...\n"
    "                         [--runtime DIR] [--jvm-option OPT]... [--arg ARG]...\n"
    "                         [--name TEXT] [--icon FILE.ico]\n"
    "                         [--version A.B[.C[.D]]] [--company TEXT]\n"
    "                         [--copyright TEXT] -o OUT [--align N] [--force]\n"
    "       wendle-pack list [--json] FILE\n"
    "       wendle-pack verify FILE\n"
    "       wendle-pack extract FILE [-C DIR]\n"
    "       wendle-pack COMMAND --help\n"
    "\n"
    "build    appends the payload to the launcher executable STUB\n"
    "list     prints the payload entries of a packed executable\n"
    "verify   checks a packed executable for everything the launcher relies on\n"
    "extract  writes the payload entries into a folder, as the launcher does\n"
    "\n"
    "Exit status: 0 on success, 1 when verify finds something wrong, 2 on bad\n"
    "arguments or input that is refused.\n";

const char kBuildHelp[] =
    "usage: wendle-pack build --stub STUB --requirement REQ --url URL\n"
    "                         (--class FILE.class | --jar FILE.jar) [--file PATH]...\n"
    "                         [--runtime DIR] [--jvm-option OPT]... [--arg ARG]...\n"
    "                         [--name TEXT] [--icon FILE.ico]\n"
    "                         [--version A.B[.C[.D]]] [--company TEXT]\n"
    "                         [--copyright TEXT] -o OUT [--align N] [--force]\n"
    "\n"
    "Writes OUT: the launcher executable STUB followed by a payload that holds\n"
    "the requirement string REQ (entry \"CommandLine\"), the address of the VM\n"
    "download page URL (entry \"URL\") and the installer. OUT is replaced only\n"
    "when everything succeeds; the same inputs always give the same bytes.\n"
    "\n"
    "  --class FILE.class  the installer is one class in the default package,\n"
    "             packed under its file name; the VM runs that class.\n"
    "  --jar FILE.jar  the installer is a jar with a Main-Class, packed as\n"
    "             \"installer.jar\" behind the class WendleJar.class, which the\n"
    "             VM runs and which starts the jar as java -jar would. It needs\n"
    "             Java 8 or newer, so REQ must not let in older VMs (8+:A:A).\n"
    "  --file PATH  one more file, packed under its file name and extracted\n"
    "             beside the installer; may be given up to 7 times with --class\n"
    "             and 6 times with --jar (the launcher reads ten entries), one\n"
    "             time less with --runtime.\n"
    "  --runtime DIR  a Java runtime for Windows, made by jlink, packed behind\n"
    "             the installer as the entry \"runtime.tar\" (an uncompressed\n"
    "             ustar archive; the same folder always gives the same bytes).\n"
    "             The launcher unpacks and offers it when no installed VM suits.\n"
    "  --jvm-option OPT  an option for the VM that runs the installer (-Xmx1g,\n"
    "             -Dkey=value, --add-opens=...), in front of the class; never\n"
    "             given to the probe. With --jar it reaches java -jar. Repeatable;\n"
    "             packed as the entry \"WendleJvmOptions\".\n"
    "  --arg ARG  an argument for the installer, in front of those given to\n"
    "             setup.exe after \"--\". Repeatable; packed as \"WendleArguments\".\n"
    "             Each reaches its VM or installer exactly as given.\n"
    "  --align N  zero bytes in front of the trailer make the length of OUT a\n"
    "             multiple of N, a power of two up to 65536 (default 8: signing\n"
    "             tools then add no padding of their own, which would hide the\n"
    "             trailer). 1 writes no padding.\n"
    "  --force    STUB may carry a payload and a signature: both are cut away\n"
    "             first. A re-packed installer must be signed again.\n"
    "\n"
    "The brand, written into the launcher's resources (texts in UTF-8, shown\n"
    "as they are in every Windows language):\n"
    "  --name TEXT  the product's name: the caption of both dialogs and every\n"
    "             message box in all six languages, and the ProductName and\n"
    "             FileDescription of the version record that Explorer and Task\n"
    "             Manager show; CompanyName, LegalCopyright and LegalTrademarks\n"
    "             are then the publisher's (given below, or empty).\n"
    "  --icon FILE.ico  every image of the icon (PNG images of 256 pixels too)\n"
    "             in place of the launcher's, in Explorer and in the dialogs.\n"
    "  --version A.B[.C[.D]]  FileVersion and ProductVersion, as numbers (each\n"
    "             0 to 65535) and as the text given.\n"
    "  --company TEXT, --copyright TEXT  CompanyName and LegalCopyright.\n"
    "Sign the packed file afterwards: branding and packing are one build.\n"
    "\n"
    "Refused, with exit status 2: a STUB that carries a payload or a signature\n"
    "(without --force), REQ or URL of more than 259 characters, a class file\n"
    "name of more than 19 characters or not ending in \".class\", a class file\n"
    "that does not start with CA FE BA BE, a jar that does not start with\n"
    "PK 03 04, with --jar a REQ of which an alternative lets in VMs older than\n"
    "Java 8, a --file name of more than 19 characters or one that another entry\n"
    "has (letter case ignored), too many files, and a class file or --file name\n"
    "that Windows cannot take as a file name: one that is empty, holds\n"
    "< > : \" / \\ | ? *, a control character or a byte outside ASCII, ends in a\n"
    "dot or a blank, or is a device name (CON, PRN, AUX, NUL, COM1 to COM9,\n"
    "LPT1 to LPT9, CONIN$, CONOUT$, with any extension), and the names of the\n"
    "launcher's own files in that folder, TvqVersion.class, stdout.tmp and\n"
    "stdout0.tmp to stdout9.tmp, and of its runtime's entry, runtime.tar\n"
    "(letter case ignored). Rename such a file.\n"
    "With --runtime: a runtime without bin/java.exe, or whose bin/java.exe is\n"
    "not a Windows executable, without JAVA_VERSION in its release file, of a\n"
    "Java version that REQ never accepts, with links, with names that Windows\n"
    "cannot write (the same rules) or paths of more than 99 characters, or too\n"
    "big for the payload's 32-bit offsets.\n"
    "With a brand: a text that is empty, not UTF-8, of more than 100 characters\n"
    "or with a control character, a version that is not two to four numbers\n"
    "of 0 to 65535, an icon file that is not one (bad header, no image, more\n"
    "than 64, an image reaching past the end of the file), and a STUB whose\n"
    "resource section cannot be rewritten (followed by more than the base\n"
    "relocations, or missing).\n"
    "With --jvm-option and --arg: an option that does not begin with \"-\", a\n"
    "control character or a byte above 127 in either, a --file named like\n"
    "their entries, and a command line that could exceed the 32767 characters\n"
    "Windows carries for some kind of VM (a VM path and a run folder of 259\n"
    "characters each).\n";

const char kListHelp[] =
    "usage: wendle-pack list [--json] FILE\n"
    "\n"
    "Prints the payload entries of a packed executable as the launcher reads\n"
    "them: name, entry offset, kind, length, data offset, and the values of the\n"
    "two settings (the requirement string and the download address), and for\n"
    "an installer jar which entry holds the jar. A signed executable's payload\n"
    "is read in front of its certificate table.\n"
    "\n"
    "  --json  one JSON object instead of the table, with the fields file, size,\n"
    "          certificateTable (null, or offset and size), trailer, firstEntry,\n"
    "          padding, requirement and url (null unless the launcher reads them),\n"
    "          installer (\"class\", \"jar\" or null: what the launcher starts)\n"
    "          entries (name, kind, length, offset, dataOffset) and runtime\n"
    "          (null, or entry, version, files, folders, size: the bytes of its\n"
    "          files, and error: null or why the launcher refuses it). Offsets are\n"
    "          decimal. Bytes above 127 are written as \\u0080 to \\u00FF, one\n"
    "          code point for each byte of the file's ANSI text. brand: null\n"
    "          (no resources), or name, version, company, copyright (Unicode\n"
    "          text) and icons (\"16x16\", ...): what Windows shows.\n"
    "\n"
    "Exit status 2 when FILE cannot be read or carries no payload.\n";

const char kVerifyHelp[] =
    "usage: wendle-pack verify FILE\n"
    "\n"
    "Checks FILE for everything the launcher relies on and prints each finding\n"
    "as \"FILE: error: ...\" or \"FILE: warning: ...\", then a summary line:\n"
    "  - the trailer is there and points at the first entry, in front of itself;\n"
    "  - the chain is well formed: each entry starts with \"tvq\", its header and\n"
    "    data end before the trailer, only zero padding follows the last entry;\n"
    "  - at most ten entries, names of at most 19 characters that the launcher\n"
    "    may write as files (the rules of build --help), every kind 0;\n"
    "  - the first three entries are \"CommandLine\" and \"URL\" (letter case\n"
    "    ignored, as the launcher compares them) and the installer class, whose\n"
    "    name ends in \".class\" and whose data start with CA FE BA BE;\n"
    "  - for an installer jar (the class WendleJar.class): an entry\n"
    "    \"installer.jar\" starting with PK 03 04, and a warning for each\n"
    "    requirement alternative that lets in VMs older than Java 8;\n"
    "  - both settings end with a NUL within their data, after at most 259\n"
    "    characters;\n"
    "  - each requirement alternative has the form <version>:<vendor>:<os>\n"
    "    (warning for one that can never match, such as an empty range 17-8,\n"
    "    error when none can);\n"
    "  - in a signed file, the payload lies in front of the certificate table,\n"
    "    inside the signed range;\n"
    "  - a runtime (entry \"runtime.tar\"): every header of its archive with its\n"
    "    checksum, type (file or folder), path and size inside the entry, no\n"
    "    path twice, each folder in front of what it holds, a bin/java.exe that\n"
    "    is a Windows executable, JAVA_VERSION in its release file, and a\n"
    "    requirement that accepts that version;\n"
    "  - the launcher's resources: every table, name and data inside the\n"
    "    resource section, the title (string 2) in all six languages, a well\n"
    "    formed version record, icon group 107 with its images.\n"
    "  - the JVM options and installer arguments (entries \"WendleJvmOptions\",\n"
    "    \"WendleArguments\"): readable, without control characters or bytes\n"
    "    above 127, and an installer's command line that fits 32767 characters\n"
    "    for every kind of VM; both are shown on the summary line.\n"
    "\n"
    "Exit status: 0 when there is no error (warnings allowed), 1 when there is\n"
    "one, 2 when FILE cannot be read.\n";

const char kExtractHelp[] =
    "usage: wendle-pack extract FILE [-C DIR]\n"
    "\n"
    "Writes each entry that the launcher reads into the folder DIR (default:\n"
    "the current folder) under its entry name, as the launcher extracts them:\n"
    "string entries with their NUL, existing files replaced; a runtime's files\n"
    "into the folder DIR/runtime. Prints the path of each entry written.\n"
    "\n"
    "An installer jar comes out as WendleJar.class and installer.jar, and\n"
    "java -cp DIR WendleJar runs it as the launcher would.\n"
    "\n"
    "Refused, with exit status 2 and nothing written: an entry name that the\n"
    "launcher may not write as a file (the rules of build --help: a path\n"
    "separator, a drive colon, \".\" or \"..\", a device name, ...), an entry\n"
    "of a kind other than 0, a file without payload, a runtime archive with a\n"
    "header that the launcher refuses.\n";

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

int Help(const char* text)
{
    std::fputs(text, stdout);
    return kExitSuccess;
}

bool IsHelp(const std::string& arg)
{
    return arg == "--help" || arg == "-h";
}

bool IsOption(const std::string& arg)
{
    return arg.size() > 1 && arg[0] == '-';
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

// A JSON string of ANSI bytes: each byte above 127 becomes the code point
// of the same number, so the output is ASCII and gives back every byte.
std::string JsonString(const std::string& text)
{
    std::string json = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += char(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", c);
            json += escape;
        } else {
            json += char(c);
        }
    }
    return json + "\"";
}

// A JSON string of UTF-8 text, ASCII throughout: every other character as
// its UTF-16 code units.
std::string JsonText(const std::string& utf8)
{
    std::string json = "\"";
    for (char16_t c : wendle_pack::Utf16FromUtf8(utf8)) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += char(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", unsigned(c));
            json += escape;
        } else {
            json += char(c);
        }
    }
    return json + "\"";
}

// "16x16, 32x32, 256x256"
std::string IconSizes(const wendle_pack::BrandFacts& brand)
{
    std::string sizes;
    for (const std::string& size : brand.icons)
        sizes += (sizes.empty() ? "" : ", ") + size;
    return sizes.empty() ? "none" : sizes;
}

int RunBuild(const std::vector<std::string>& args)
{
    // Each option's canonical name; -o is short for --output.
    const std::map<std::string, std::string> options = {
        {"--stub", "--stub"}, {"--requirement", "--requirement"}, {"--url", "--url"},
        {"--class", "--class"}, {"--jar", "--jar"}, {"--output", "-o"}, {"-o", "-o"},
        {"--align", "--align"}, {"--runtime", "--runtime"}, {"--name", "--name"},
        {"--icon", "--icon"}, {"--version", "--version"}, {"--company", "--company"},
        {"--copyright", "--copyright"}};
    std::map<std::string, std::string> values;
    wendle_pack::BuildOptions buildOptions;
    buildOptions.alignment = wendle_pack::kDefaultAlignment;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (IsHelp(args[i]))
            return Help(kBuildHelp);
        if (args[i] == "--force") {
            buildOptions.force = true;
            continue;
        }
        const bool isFile = args[i] == "--file";
        const bool isList = args[i] == "--jvm-option" || args[i] == "--arg";
        auto option = options.find(args[i]);
        if (option == options.end() && !isFile && !isList) {
            if (IsOption(args[i]))
                return UsageError("unknown option " + args[i]);
            return UsageError("unexpected argument " + args[i]);
        }
        if (i + 1 >= args.size())
            return UsageError("option " + args[i] + " needs a value");
        if (isFile || isList) {
            (isFile ? buildOptions.files
                    : args[i] == "--arg" ? buildOptions.arguments : buildOptions.jvmOptions)
                .push_back(args[i + 1]);
            ++i;
            continue;
        }
        if (values.count(option->second) != 0)
            return UsageError("option " + args[i] + " given twice");
        values[option->second] = args[++i];
    }
    const bool jar = values.count("--jar") != 0;
    if (jar && values.count("--class") != 0)
        return UsageError("build takes --class or --jar, not both");
    for (const char* required : {"--stub", "--requirement", "--url", "-o"}) {
        if (values.count(required) == 0)
            return UsageError(std::string("build needs ") + required);
    }
    if (!jar && values.count("--class") == 0)
        return UsageError("build needs --class or --jar");
    if (values.count("--align") != 0) {
        const std::string& text = values["--align"];
        char* end = nullptr;
        unsigned long long alignment = std::strtoull(text.c_str(), &end, 10);
        if (text.empty() || text[0] < '0' || text[0] > '9' || *end != '\0' ||
            !wendle_pack::IsValidAlignment(alignment))
            return UsageError("--align " + text + ": not a power of two from 1 to " +
                              std::to_string(wendle_pack::kMaxAlignment));
        buildOptions.alignment = uint32_t(alignment);
    }
    buildOptions.runtime = values["--runtime"];
    for (const char* brand : {"--name", "--icon", "--version", "--company", "--copyright"}) {
        if (values.count(brand) != 0 && values[brand].empty())
            return UsageError(std::string("option ") + brand + " is empty");
    }
    buildOptions.brand = {values["--name"], values["--icon"], values["--version"],
                          values["--company"], values["--copyright"]};

    std::string error;
    const bool built =
        jar ? wendle_pack::BuildPackedJar(values["--stub"], values["--requirement"],
                                          values["--url"], values["--jar"], values["-o"],
                                          buildOptions, &error)
            : wendle_pack::BuildPackedFile(values["--stub"], values["--requirement"],
                                           values["--url"], values["--class"], values["-o"],
                                           buildOptions, &error);
    return built ? kExitSuccess : Fail(error);
}

// Reads FILE and walks its payload; false, with the exit status, when the
// file cannot be read.
bool LoadFile(const std::string& path, std::vector<uint8_t>* file, int* status)
{
    std::string error;
    if (!wendle_pack::ReadWholeFile(path, file, &error)) {
        *status = Fail(error);
        return false;
    }
    return true;
}

// The value of a setting as the launcher reads it, or none.
bool LauncherSetting(const std::vector<uint8_t>& file,
                     const std::vector<wendle_pack::ListedEntry>& entries, std::size_t index,
                     const char* name, std::string* value)
{
    return index < entries.size() && wendle_pack::SameNameIgnoringCase(entries[index].name, name) &&
           wendle_pack::ReadStringValue(file, entries[index], value);
}

// The JVM options or the arguments (name) as the launcher reads them, or none.
bool LaunchSetting(const std::vector<uint8_t>& file,
                   const std::vector<wendle_pack::ListedEntry>& entries, const char* name,
                   std::string* value)
{
    for (const wendle_pack::ListedEntry& entry : entries) {
        if (wendle_pack::SameNameIgnoringCase(entry.name, name))
            return wendle_pack::ReadStringValue(file, entry, value,
                                                wendle_pack::kMaxCommandLineLength + 1);
    }
    return false;
}

// "jar" for a jar payload, "class" for any other with an installer class
// entry, else null: what list --json says the launcher will start.
const char* InstallerKind(const std::vector<wendle_pack::ListedEntry>& entries)
{
    if (wendle_pack::InstallerJarIndex(entries) != 0)
        return "\"jar\"";
    return entries.size() > 2 ? "\"class\"" : "null";
}

// The runtime's entry, what it holds, and why the launcher would refuse it.
struct RuntimeListing {
    std::size_t entry = 0;   // 0: none
    wendle_pack::RuntimeFacts facts;
    std::string error;
};

RuntimeListing ListRuntime(const std::vector<uint8_t>& file,
                           const std::vector<wendle_pack::ListedEntry>& entries)
{
    RuntimeListing listing;
    listing.entry = wendle_pack::RuntimeIndex(entries);
    std::string requirement;
    const bool hasRequirement = LauncherSetting(file, entries, 0, wendle_pack::kRequirementEntry,
                                                &requirement);
    if (listing.entry != 0)
        wendle_pack::ReadRuntime(file, entries[listing.entry],
                                 hasRequirement ? &requirement : nullptr, &listing.facts,
                                 &listing.error);
    return listing;
}

void PrintJson(const std::string& path, const std::vector<uint8_t>& file,
               const wendle_pack::ChainWalk& walk)
{
    const wendle_pack::CertificateTable table = wendle_pack::FindCertificateTable(file);
    std::printf("{\n  \"file\": %s,\n  \"size\": %llu,\n", JsonString(path).c_str(),
                (unsigned long long)file.size());
    if (table.state == wendle_pack::CertificateTable::kAtEnd)
        std::printf("  \"certificateTable\": {\"offset\": %lu, \"size\": %lu},\n",
                    (unsigned long)table.offset, (unsigned long)table.size);
    else
        std::printf("  \"certificateTable\": null,\n");
    const uint64_t padding =
        walk.end == wendle_pack::ChainEnd::kPadding ? walk.trailer - walk.endPosition : 0;
    std::printf("  \"trailer\": %llu,\n  \"firstEntry\": %lu,\n  \"padding\": %llu,\n",
                (unsigned long long)walk.trailer, (unsigned long)walk.firstEntry,
                (unsigned long long)padding);
    std::string value;
    const char* names[] = {wendle_pack::kRequirementEntry, wendle_pack::kUrlEntry};
    const char* keys[] = {"requirement", "url"};
    for (std::size_t i = 0; i < 2; ++i) {
        std::printf("  \"%s\": %s,\n", keys[i],
                    LauncherSetting(file, walk.entries, i, names[i], &value)
                        ? JsonString(value).c_str()
                        : "null");
    }
    std::printf("  \"installer\": %s,\n", InstallerKind(walk.entries));
    const wendle_pack::BrandFacts brand = wendle_pack::ReadBrand(file);
    if (!brand.present) {
        std::printf("  \"brand\": null,\n");
    } else {
        std::string icons;
        for (const std::string& size : brand.icons)
            icons += (icons.empty() ? "\"" : ", \"") + size + "\"";
        std::printf("  \"brand\": {\"name\": %s, \"version\": %s, \"company\": %s, \"copyright\": %s, "
                    "\"icons\": [%s]},\n",
                    JsonText(brand.name).c_str(), JsonText(brand.version).c_str(),
                    JsonText(brand.company).c_str(), JsonText(brand.copyright).c_str(), icons.c_str());
    }
    const char* launchNames[] = {wendle_pack::kJvmOptionsEntry, wendle_pack::kArgumentsEntry};
    const char* launchKeys[] = {"jvmOptions", "arguments"};
    for (std::size_t i = 0; i < 2; ++i) {
        std::printf("  \"%s\": %s,\n", launchKeys[i],
                    LaunchSetting(file, walk.entries, launchNames[i], &value)
                        ? JsonString(value).c_str()
                        : "null");
    }
    const RuntimeListing runtime = ListRuntime(file, walk.entries);
    if (runtime.entry == 0)
        std::printf("  \"runtime\": null,\n");
    else
        std::printf("  \"runtime\": {\"entry\": %lu, \"version\": %s, \"files\": %llu, "
                    "\"folders\": %llu, \"size\": %llu, \"error\": %s},\n",
                    (unsigned long)runtime.entry,
                    runtime.facts.version.empty() ? "null" : JsonString(runtime.facts.version).c_str(),
                    (unsigned long long)runtime.facts.files,
                    (unsigned long long)runtime.facts.folders,
                    (unsigned long long)runtime.facts.bytes,
                    runtime.error.empty() ? "null" : JsonString(runtime.error).c_str());
    std::printf("  \"entries\": [\n");
    for (std::size_t i = 0; i < walk.entries.size(); ++i) {
        const wendle_pack::ListedEntry& entry = walk.entries[i];
        std::printf("    {\"name\": %s, \"kind\": %lu, \"length\": %lu, \"offset\": %lu, "
                    "\"dataOffset\": %lu}%s\n",
                    JsonString(entry.name).c_str(), (unsigned long)entry.kind,
                    (unsigned long)entry.length, (unsigned long)entry.headerOffset,
                    (unsigned long)entry.dataOffset, i + 1 < walk.entries.size() ? "," : "");
    }
    std::printf("  ]\n}\n");
}

void PrintTable(const std::string& path, const std::vector<uint8_t>& file,
                const wendle_pack::ChainWalk& walk)
{
    const std::vector<wendle_pack::ListedEntry>& entries = walk.entries;
    std::printf("%s: %lu bytes, first entry at 0x%08lX, trailer at 0x%08lX\n", path.c_str(),
                (unsigned long)file.size(), (unsigned long)walk.firstEntry,
                (unsigned long)walk.trailer);
    std::printf("%2s  %-19s  %-12s  %4s  %10s  %-11s  %s\n", "#", "Name", "Entry offset",
                "Kind", "Length", "Data offset", "Value");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const wendle_pack::ListedEntry& entry = entries[i];
        std::string value;
        // The launcher reads the first two entries as its settings, and the
        // JVM options and arguments by their names.
        const bool launch = wendle_pack::SameNameIgnoringCase(entry.name, wendle_pack::kJvmOptionsEntry) ||
                            wendle_pack::SameNameIgnoringCase(entry.name, wendle_pack::kArgumentsEntry);
        if (i < 2 || launch) {
            value = wendle_pack::ReadStringValue(file, entry, &value,
                                                 launch ? wendle_pack::kMaxCommandLineLength + 1
                                                        : wendle_pack::kMaxStringLength + 1)
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

    const unsigned long end = (unsigned long)walk.endPosition;
    const unsigned long trailer = (unsigned long)walk.trailer;
    if (walk.end == wendle_pack::ChainEnd::kPadding) {
        std::printf("padding: %lu zero bytes in front of the trailer\n", trailer - end);
    } else if (end != trailer) {
        std::printf("note: the launcher reads no further than 0x%08lX; %lu bytes up to the "
                    "trailer are not part of its payload\n",
                    end, trailer - end);
    }
    const std::size_t jar = wendle_pack::InstallerJarIndex(entries);
    if (jar != 0)
        std::printf("installer: the jar %s (entry %lu), started by %s (entry 2) on Java 8 or "
                    "newer\n",
                    entries[jar].name.c_str(), (unsigned long)jar, entries[2].name.c_str());
    const RuntimeListing runtime = ListRuntime(file, entries);
    if (runtime.entry != 0 && runtime.error.empty())
        std::printf("runtime: Java %s (entry %lu): files %llu, folders %llu, bytes %llu\n",
                    runtime.facts.version.c_str(), (unsigned long)runtime.entry,
                    (unsigned long long)runtime.facts.files,
                    (unsigned long long)runtime.facts.folders,
                    (unsigned long long)runtime.facts.bytes);
    else if (runtime.entry != 0)
        std::printf("runtime: entry %lu, refused by the launcher: %s\n",
                    (unsigned long)runtime.entry, runtime.error.c_str());
    const wendle_pack::BrandFacts brand = wendle_pack::ReadBrand(file);
    if (brand.present)
        std::printf("brand: name %s, version %s, company %s, copyright %s, icon %s\n",
                    Quoted(brand.name).c_str(), brand.version.c_str(), Quoted(brand.company).c_str(),
                    Quoted(brand.copyright).c_str(), IconSizes(brand).c_str());
    const wendle_pack::CertificateTable table = wendle_pack::FindCertificateTable(file);
    if (table.state == wendle_pack::CertificateTable::kAtEnd)
        std::printf("signed: certificate table at 0x%08lX, %lu bytes, behind the trailer\n",
                    (unsigned long)table.offset, (unsigned long)table.size);
}

int RunList(const std::vector<std::string>& args)
{
    bool json = false;
    std::vector<std::string> files;
    for (const std::string& arg : args) {
        if (IsHelp(arg))
            return Help(kListHelp);
        if (arg == "--json")
            json = true;
        else if (IsOption(arg))
            return UsageError("unknown option " + arg);
        else
            files.push_back(arg);
    }
    if (files.size() != 1)
        return UsageError("list needs exactly one file");
    const std::string& path = files[0];

    std::vector<uint8_t> file;
    int status = kExitSuccess;
    if (!LoadFile(path, &file, &status))
        return status;
    wendle_pack::ChainWalk walk;
    std::string error;
    if (!wendle_pack::WalkPayload(file, &walk, &error))
        return Fail(path + ": " + error);
    if (walk.entries.empty()) {
        return Fail(path + ": no payload: no entry at " + wendle_pack::Hex(walk.firstEntry) +
                    ", where the trailer points");
    }
    if (json)
        PrintJson(path, file, walk);
    else
        PrintTable(path, file, walk);
    return kExitSuccess;
}

int RunVerify(const std::vector<std::string>& args)
{
    std::vector<std::string> files;
    for (const std::string& arg : args) {
        if (IsHelp(arg))
            return Help(kVerifyHelp);
        if (IsOption(arg))
            return UsageError("unknown option " + arg);
        files.push_back(arg);
    }
    if (files.size() != 1)
        return UsageError("verify needs exactly one file");
    const std::string& path = files[0];

    std::vector<uint8_t> file;
    int status = kExitSuccess;
    if (!LoadFile(path, &file, &status))
        return status;
    const wendle_pack::Verification result = wendle_pack::VerifyPackedFile(file);
    for (const wendle_pack::Finding& finding : result.findings) {
        std::printf("%s: %s: %s\n", path.c_str(),
                    finding.severity == wendle_pack::Finding::kError ? "error" : "warning",
                    finding.text.c_str());
    }
    const int errors = result.Count(wendle_pack::Finding::kError);
    const int warnings = result.Count(wendle_pack::Finding::kWarning);
    const std::string warningText =
        std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings");
    if (errors > 0) {
        std::printf("%s: %d %s, %s\n", path.c_str(), errors, errors == 1 ? "error" : "errors",
                    warningText.c_str());
        return kExitFoundWrong;
    }
    const bool signedFile = result.table.state == wendle_pack::CertificateTable::kAtEnd;
    const std::string runtime =
        result.runtime.version.empty()
            ? ""
            : ", a Java " + result.runtime.version + " runtime of " +
                  std::to_string(result.runtime.files) + " files";
    const std::string launch =
        (result.jvmOptions.empty() ? "" : ", JVM options " + result.jvmOptions) +
        (result.arguments.empty() ? "" : ", installer arguments " + result.arguments);
    const std::string brand =
        result.brand.present ? "; brand " + Quoted(result.brand.name) + " " + result.brand.version +
                                   ", icon " + IconSizes(result.brand)
                             : "";
    std::printf("%s: ok%s: %lu entries%s%s; %s%s\n", path.c_str(),
                warnings > 0 ? (" with " + warningText).c_str() : "",
                (unsigned long)result.walk.entries.size(), runtime.c_str(), launch.c_str(),
                signedFile ? "signed, the payload lies inside the signed range" : "not signed",
                brand.c_str());
    return kExitSuccess;
}

int RunExtract(const std::vector<std::string>& args)
{
    std::vector<std::string> files;
    std::string directory;
    bool directoryGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (IsHelp(args[i]))
            return Help(kExtractHelp);
        if (args[i] == "-C") {
            if (i + 1 >= args.size())
                return UsageError("option -C needs a value");
            if (directoryGiven)
                return UsageError("option -C given twice");
            directory = args[++i];
            directoryGiven = true;
        } else if (IsOption(args[i])) {
            return UsageError("unknown option " + args[i]);
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 1)
        return UsageError("extract needs exactly one file");
    const std::string& path = files[0];

    std::vector<uint8_t> file;
    int status = kExitSuccess;
    if (!LoadFile(path, &file, &status))
        return status;
    std::vector<std::string> written;
    std::string error;
    const bool extracted = wendle_pack::ExtractEntries(file, directory, &written, &error);
    for (const std::string& target : written)
        std::printf("%s\n", target.c_str());
    if (!extracted)
        return Fail(path + ": " + error);
    return kExitSuccess;
}

#ifdef _WIN32
// main's arguments are in the ANSI code page, which cannot hold every name;
// the brand's texts are taken from the wide command line, as UTF-8.
void TakeBrandTextsAsUtf8(std::vector<std::string>& args)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (std::size_t i = 0; wide != nullptr && std::size_t(count) == args.size() + 1 && i + 1 < args.size(); ++i) {
        if (args[i] != "--name" && args[i] != "--company" && args[i] != "--copyright")
            continue;
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i + 2], -1, nullptr, 0, nullptr, nullptr);
        std::string text(size > 0 ? size : 1, '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i + 2], -1, &text[0], size, nullptr, nullptr);
        args[++i] = text.c_str();
    }
    LocalFree(wide);
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef _WIN32
    TakeBrandTextsAsUtf8(args);
#endif
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return kExitBadInput;
    }
    if (IsHelp(args[0]))
        return Help(kUsage);
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "build")
        return RunBuild(args);
    if (command == "list")
        return RunList(args);
    if (command == "verify")
        return RunVerify(args);
    if (command == "extract")
        return RunExtract(args);
    return UsageError("unknown command " + command);
}
