#include "payload_layout.h"

#include <cstdio>
#include <cstring>

namespace wendle_pack {

const char kRequirementEntry[] = "CommandLine";
const char kUrlEntry[] = "URL";
const char kBootstrapEntry[] = "WendleJar.class";
const char kInstallerJarEntry[] = "installer.jar";

namespace {

const uint8_t kMagic[kMagicSize] = {'t', 'v', 'q'};

char LowerCase(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

}  // namespace

uint32_t ReadUInt32At(const std::vector<uint8_t>& file, uint64_t offset)
{
    return uint32_t(file[offset]) | uint32_t(file[offset + 1]) << 8 |
           uint32_t(file[offset + 2]) << 16 | uint32_t(file[offset + 3]) << 24;
}

void AppendUInt32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(value >> shift));
}

std::string Hex(uint64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", (unsigned long long)value);
    return text;
}

bool MagicAt(const std::vector<uint8_t>& file, uint64_t offset)
{
    return offset + kMagicSize <= file.size() &&
           std::memcmp(&file[offset], kMagic, kMagicSize) == 0;
}

bool TrailerSpellsMagic(uint32_t firstEntryOffset)
{
    return (firstEntryOffset & 0xFF) == kMagic[0] &&
           (firstEntryOffset >> 8 & 0xFF) == kMagic[1] &&
           (firstEntryOffset >> 16 & 0xFF) == kMagic[2];
}

std::string FileNamePart(const std::string& path)
{
    std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

EntryNameFault CheckName(const std::string& name)
{
    if (name.find('\0') != std::string::npos)
        return kEntryNameBadCharacter;
    return CheckEntryName(name.c_str());
}

std::string NameFaultText(EntryNameFault fault)
{
    switch (fault) {
    case kEntryNameOk:
        break;
    case kEntryNameEmpty:
        return "is empty";
    case kEntryNameBadCharacter:
        return "holds a character that Windows does not allow in a file name "
               "(< > : \" / \\ | ? * or a control character)";
    case kEntryNameBadEnding:
        return "ends in a dot or a blank, which Windows drops from a file name";
    case kEntryNameNotAscii:
        return "holds characters outside ASCII, which the launcher would write under another "
               "name in the user's ANSI code page";
    case kEntryNameDevice:
        return "is a Windows device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, "
               "CONOUT$, with any extension)";
    case kEntryNameLaunchersOwn:
        return "is the name of a file that the launcher itself writes into the same folder (its "
               "probe class TvqVersion.class or a capture file stdout.tmp, stdout0.tmp to "
               "stdout9.tmp)";
    }
    return "";
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerCase(a[i]) != LowerCase(b[i]))
            return false;
    }
    return true;
}

}  // namespace wendle_pack
