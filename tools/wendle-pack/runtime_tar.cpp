#include "runtime_tar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

#include "payload/entry_name.h"
#include "payload_layout.h"
#include "requirement.h"

namespace wendle_pack {

const char kRuntimeEntry[] = "runtime.tar";

namespace fs = std::filesystem;

namespace {

const std::size_t kSizeField = 124, kChecksumField = 148, kTypeField = 156, kMagicField = 257,
                  kPrefixField = 345;
const char kUstar[] = "ustar\0" "00";
const char kJavaExe[] = "bin/java.exe";
const char kJlinkHint[] = "; make the runtime with jlink and the jmods of a JDK for Windows "
                          "(docs/publishing.md)";

// digits octal digits and a NUL; a value too big for them (a file of 8 GB
// or more) is refused for the payload's offsets before any header is written.
void PutOctal(std::vector<uint8_t>& block, std::size_t at, std::size_t digits, uint64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%0*llo", int(digits), (unsigned long long)value);
    std::memcpy(&block[at], text, digits + 1);
}

// As the launcher reads a number: octal digits, then a NUL or a blank,
// within width bytes, and at most 32 bits.
bool ReadOctal(const uint8_t* field, std::size_t width, uint64_t* value)
{
    std::size_t at = 0;
    for (*value = 0; at < width && field[at] >= '0' && field[at] <= '7'; ++at) {
        if (*value >> 29 != 0)
            return false;
        *value = *value * 8 + (field[at] - '0');
    }
    return at > 0 && at < width && (field[at] == 0 || field[at] == ' ');
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return text;
}

// The first part of path that the launcher cannot write, or "" when none.
bool BadPart(const std::string& path, std::string* part)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        *part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!IsWritableEntryName(part->c_str()))
            return true;
        if (slash == std::string::npos)
            return false;
        start = slash + 1;
    }
}

const char kWhyNot[] =
    "Windows cannot write it (a device name such as CON or NUL, \".\" or \"..\", a drive "
    "colon, one of < > \" \\ | ? * or a control character, a byte above 127, a trailing dot "
    "or blank) or the launcher keeps it for itself (TvqVersion.class, stdout.tmp)";

bool ScanFolder(const fs::path& dir, const std::string& prefix,
                std::vector<RuntimeMember>* members, std::string* error)
{
    std::error_code failed;
    std::vector<std::pair<std::string, fs::directory_entry>> children;
    for (const fs::directory_entry& child : fs::directory_iterator(dir, failed))
        children.emplace_back(child.path().filename().u8string(), child);
    if (failed) {
        *error = "cannot read the runtime folder " + dir.u8string() + ": " + failed.message();
        return false;
    }
    std::sort(children.begin(), children.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::set<std::string> seen;
    for (const auto& [name, child] : children) {
        RuntimeMember member;
        member.path = prefix + name;
        const std::string label = "runtime file " + member.path + ": ";
        if (!IsWritableEntryName(name.c_str())) {
            *error = label + kWhyNot + "; rename it or leave it out";
            return false;
        }
        if (!seen.insert(Lower(name)).second) {
            *error = label + "another name in its folder differs only in letter case, and "
                             "Windows takes both for one file; keep one of them";
            return false;
        }
        const fs::file_status status = child.symlink_status(failed);
        if (fs::is_symlink(status)) {
            *error = label + "is a link, which the launcher does not write; copy what it points "
                             "to into its place (jlink itself writes no links)";
            return false;
        }
        member.folder = fs::is_directory(status);
        if (member.path.size() + member.folder > kMaxTarPath) {
            *error = label + "its path has more than " + std::to_string(kMaxTarPath) +
                     " characters, the most the runtime's archive holds; shorten it";
            return false;
        }
        if (!member.folder && !fs::is_regular_file(status)) {
            *error = label + "is neither a file nor a folder (a device, pipe or socket)";
            return false;
        }
        member.source = child.path().u8string();
        member.size = member.folder ? 0 : child.file_size(failed);
        if (failed) {
            *error = "cannot read " + member.source + ": " + failed.message();
            return false;
        }
        members->push_back(member);
        if (member.folder && !ScanFolder(child.path(), member.path + "/", members, error))
            return false;
    }
    return true;
}

const RuntimeMember* Find(const std::vector<RuntimeMember>& members, const char* path)
{
    for (const RuntimeMember& member : members) {
        if (!member.folder && SameNameIgnoringCase(member.path, path))
            return &member;
    }
    return nullptr;
}

bool IsWindowsExecutable(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z')
        return false;
    const uint64_t pe = ReadUInt32At(bytes, 0x3C);
    return pe + 4 <= bytes.size() && std::memcmp(&bytes[pe], "PE\0\0", 4) == 0;
}

// KEY="value" or KEY=value from a release file, or false.
bool ReleaseValue(const std::string& release, const std::string& key, std::string* value)
{
    std::size_t at = 0;
    while (at < release.size()) {
        std::size_t end = release.find('\n', at);
        if (end == std::string::npos)
            end = release.size();
        std::string line = release.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, key.size() + 1, key + "=") == 0) {
            *value = line.substr(key.size() + 1);
            if (value->size() >= 2 && value->front() == '"' && value->back() == '"')
                *value = value->substr(1, value->size() - 2);
            return true;
        }
        at = end + 1;
    }
    return false;
}

// 17 for "17.0.15" or "17", 8 for "1.8.0_392"; -1 when it is no version.
int FeatureVersion(const std::string& version)
{
    const std::size_t start = version.rfind("1.", 0) == 0 ? 2 : 0;
    std::size_t end = start;
    while (end < version.size() && end - start < 9 && version[end] >= '0' && version[end] <= '9')
        ++end;
    return end == start ? -1 : std::stoi(version.substr(start, end - start));
}

}  // namespace

std::vector<uint8_t> TarHeader(const std::string& name, char type, uint64_t size)
{
    std::vector<uint8_t> block(kTarBlock);
    std::memcpy(block.data(), name.data(), std::min<std::size_t>(name.size(), 100));
    PutOctal(block, 100, 7, type == '5' ? 0755 : 0644);
    PutOctal(block, 108, 7, 0);   // owner
    PutOctal(block, 116, 7, 0);   // group
    PutOctal(block, kSizeField, 11, size);
    PutOctal(block, 136, 11, 0);  // time
    block[kTypeField] = uint8_t(type);
    std::memcpy(&block[kMagicField], kUstar, 8);
    PutOctal(block, 329, 7, 0);   // device numbers
    PutOctal(block, 337, 7, 0);
    std::memset(&block[kChecksumField], ' ', 8);
    unsigned sum = 0;
    for (uint8_t byte : block)
        sum += byte;
    PutOctal(block, kChecksumField, 6, sum);
    return block;
}

bool ScanRuntimeFolder(const std::string& dir, std::vector<RuntimeMember>* members,
                       std::string* error)
{
    members->clear();
    std::error_code failed;
    if (!fs::is_directory(fs::u8path(dir), failed)) {
        *error = "--runtime " + dir + " is not a folder";
        return false;
    }
    return ScanFolder(fs::u8path(dir), "", members, error);
}

uint64_t TarPieces(const std::vector<RuntimeMember>& members,
                   std::vector<std::vector<uint8_t>>* blocks, std::vector<OutputPiece>* pieces)
{
    blocks->clear();
    pieces->clear();
    // The pieces point into blocks, which must not move any more.
    blocks->reserve(2 * members.size() + 1);
    uint64_t size = 0;
    for (const RuntimeMember& member : members) {
        blocks->push_back(TarHeader(member.path + (member.folder ? "/" : ""),
                                    member.folder ? '5' : '0', member.size));
        pieces->push_back({&blocks->back()});
        if (!member.folder) {
            pieces->push_back({nullptr, nullptr, &member.source, member.size});
            blocks->emplace_back((kTarBlock - member.size % kTarBlock) % kTarBlock);
            pieces->push_back({&blocks->back()});
        }
        size += kTarBlock + (member.size + kTarBlock - 1) / kTarBlock * kTarBlock;
    }
    blocks->emplace_back(2 * kTarBlock);
    pieces->push_back({&blocks->back()});
    return size + 2 * kTarBlock;
}

bool ReadRuntimeTar(const uint8_t* data, uint64_t size, bool wholeTree,
                    std::vector<RuntimeMember>* members, std::string* error)
{
    members->clear();
    std::set<std::string> paths, folders;
    for (uint64_t position = 0;; position += kTarBlock) {
        if (size - position < kTarBlock) {
            *error = "the runtime's archive ends without its end block of zeros";
            return false;
        }
        const uint8_t* block = data + position;
        const std::string at = "the runtime's archive, header at byte " + std::to_string(position);
        uint64_t sum = 0, stored = 0;
        for (std::size_t i = 0; i < kTarBlock; ++i)
            sum += i - kChecksumField < 8 ? ' ' : block[i];
        if (std::all_of(block, block + kTarBlock, [](uint8_t b) { return b == 0; }))
            return true;
        if (!ReadOctal(block + kChecksumField, 8, &stored) || stored != sum) {
            *error = at + ": its checksum is wrong";
            return false;
        }
        RuntimeMember member;
        const char type = char(block[kTypeField]);
        const std::size_t length = strnlen(reinterpret_cast<const char*>(block), 100);
        member.path.assign(reinterpret_cast<const char*>(block), length);
        member.folder = type == '5';
        const std::string label = at + " (" + member.path + ")";
        if (std::memcmp(block + kMagicField, kUstar, 8) != 0 || block[kPrefixField] != 0 ||
            !ReadOctal(block + kSizeField, 12, &member.size)) {
            *error = label + ": not a header that wendle-pack writes (ustar magic, empty prefix, "
                             "an octal size below 4 GB)";
            return false;
        }
        if (type != '0' && type != '\0' && type != '5') {
            *error = label + ": of type '" + std::string(1, type) + "'" +
                     (type == '1' || type == '2' ? ", a link" : "") +
                     "; the launcher writes only files and folders";
            return false;
        }
        if (length == 0 || length == 100 ||
            (member.folder && (member.path.back() != '/' || member.size != 0))) {
            *error = label + ": its name is empty, has no NUL in its 100 bytes, or is a folder "
                             "without its trailing '/' or with data";
            return false;
        }
        if (member.folder)
            member.path.pop_back();
        std::string part;
        if (BadPart(member.path, &part)) {
            *error = label + ": its part \"" + part + "\" is refused: " + kWhyNot +
                     ", or it is empty (an absolute path, a doubled slash)";
            return false;
        }
        const uint64_t room = size - position - kTarBlock;
        if ((member.size + kTarBlock - 1) / kTarBlock > room / kTarBlock) {
            *error = label + ": its " + std::to_string(member.size) +
                     " bytes of data reach past the end of the archive";
            return false;
        }
        const std::size_t slash = member.path.rfind('/');
        if (wholeTree && !paths.insert(Lower(member.path)).second) {
            *error = label + ": the path is in the archive twice (letter case ignored)";
            return false;
        }
        if (wholeTree && slash != std::string::npos &&
            folders.count(Lower(member.path.substr(0, slash))) == 0) {
            *error = label + ": its folder is not in front of it in the archive";
            return false;
        }
        if (member.folder)
            folders.insert(Lower(member.path));
        member.dataOffset = position + kTarBlock;
        members->push_back(member);
        position += (member.size + kTarBlock - 1) / kTarBlock * kTarBlock;
    }
}

bool CheckRuntime(const std::vector<RuntimeMember>& members, const MemberReader& read,
                  const std::string* requirement, RuntimeFacts* facts, std::string* error)
{
    *facts = RuntimeFacts();
    for (const RuntimeMember& member : members) {
        facts->folders += member.folder;
        facts->files += !member.folder;
        facts->bytes += member.size;
    }
    const RuntimeMember* java = Find(members, kJavaExe);
    if (java == nullptr) {
        *error = std::string("the runtime has no ") + kJavaExe +
                 ", which the launcher runs: it is not a Java runtime for Windows" + kJlinkHint;
        return false;
    }
    std::vector<uint8_t> bytes;
    if (!read(*java, &bytes, error))
        return false;
    if (!IsWindowsExecutable(bytes)) {
        *error = std::string("the runtime's ") + kJavaExe +
                 " is not a Windows executable (no MZ and PE headers): the runtime is made for "
                 "another system" + kJlinkHint;
        return false;
    }
    const RuntimeMember* release = Find(members, "release");
    std::string text, modules;
    if (release != nullptr && !read(*release, &bytes, error))
        return false;
    if (release != nullptr)
        text.assign(bytes.begin(), bytes.end());
    if (release == nullptr || !ReleaseValue(text, "JAVA_VERSION", &facts->version)) {
        *error = "the runtime has no release file with JAVA_VERSION, from which its Java version "
                 "is checked against the requirement" + std::string(kJlinkHint);
        return false;
    }
    facts->feature = FeatureVersion(facts->version);
    if (facts->feature < 0) {
        *error = "the runtime's release file gives JAVA_VERSION=\"" + facts->version +
                 "\", which is not a Java version";
        return false;
    }
    // The 1.1 and 1.2 tests load a class of java.desktop; a runtime whose
    // release file lists its modules may lack it.
    if (requirement == nullptr)
        return true;
    const bool hasModules = ReleaseValue(text, "MODULES", &modules);
    const bool desktop = !hasModules || (" " + modules + " ").find(" java.desktop ") != std::string::npos;
    for (const std::string& alternative : SplitAlternatives(*requirement)) {
        std::string field;
        if (!VersionFieldOf(alternative, &field))
            continue;
        const VersionTest test = ReadVersionField(field);
        if (test.kind == VersionTest::kAnyVersion ||
            (test.kind == VersionTest::kEventClasses && desktop) ||
            (test.kind == VersionTest::kFeatureRange && test.low <= facts->feature &&
             facts->feature <= test.high))
            return true;
    }
    *error = "the requirement \"" + *requirement + "\" accepts no Java " +
             std::to_string(facts->feature) + (desktop ? "" : " without the module java.desktop") +
             ", which the runtime is (JAVA_VERSION=\"" + facts->version +
             "\"): the launcher would find it unsuitable; pack a runtime that the requirement "
             "accepts, or change the requirement";
    return false;
}

}  // namespace wendle_pack
