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

bool IsPlainFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return name.find_first_of(std::string("/\\:\0", 4)) == std::string::npos;
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
