// The payload that wendle-pack appends behind the launcher's executable image,
// written and read the way the launcher reads it:
//
//   entry   "tvq", name, NUL, kind (u32), length (u32), length data bytes
//   ...     the next entry follows directly
//   padding zero bytes, so that the file length is a multiple of the
//           alignment (the walk stops at the first byte that is not 't')
//   trailer the file offset of the first entry (u32), the last 4 bytes, or
//           in a signed executable the 4 bytes in front of the certificate
//           table (pe_signature.h)
//
// All integers are 32-bit unsigned little-endian. String entries hold their
// text and a NUL, and their length counts the NUL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wendle_pack {

// The launcher's fixed buffers: a 20-byte entry name and 260-byte settings,
// NUL included, and a directory of ten slots.
constexpr std::size_t kMaxNameLength = 19;
constexpr std::size_t kMaxStringLength = 259;
constexpr std::size_t kMaxEntries = 10;

constexpr std::size_t kMagicSize = 3;
constexpr std::size_t kTrailerSize = 4;

// Signing tools pad a file to a multiple of 8 bytes before they append the
// certificate table; a packed file of that length keeps its trailer right in
// front of the table, where the launcher looks for it.
constexpr uint32_t kDefaultAlignment = 8;
constexpr uint32_t kMaxAlignment = 65536;

// The names under which the launcher looks for its two settings.
extern const char kRequirementEntry[];   // "CommandLine"
extern const char kUrlEntry[];           // "URL"

struct Entry {
    std::string name;
    uint32_t kind = 0;
    std::vector<uint8_t> data;
};

// A string entry: the value's bytes followed by a NUL.
Entry StringEntry(const std::string& name, const std::string& value);

void AppendUInt32(std::vector<uint8_t>& out, uint32_t value);
// The little-endian value at offset; the caller makes sure 4 bytes are there.
uint32_t ReadUInt32At(const std::vector<uint8_t>& file, uint64_t offset);
// "0x" and upper-case hex digits, as offsets are shown in messages.
std::string Hex(uint64_t value);

// Appends one entry whose stored length may differ from the data written,
// for files that are meant to be malformed.
void AppendEntryBytes(std::vector<uint8_t>& out, const std::string& name, uint32_t kind,
                      uint32_t length, const std::vector<uint8_t>& data);

// The entries, one behind the other, zero padding and the trailer pointing
// at payloadStart, the size of the stub the payload will follow. The padding
// makes payloadStart plus the payload's size a multiple of alignment (a
// power of two). Checks nothing.
std::vector<uint8_t> EncodePayload(const std::vector<Entry>& entries, uint32_t payloadStart,
                                   uint32_t alignment = 1);

// The zero bytes that round size up to a multiple of alignment.
uint32_t PaddingFor(uint64_t size, uint32_t alignment);

// True for 1, 2, 4, ... kMaxAlignment.
bool IsValidAlignment(uint64_t alignment);

// The part of path behind its last '/' or '\'.
std::string FileNamePart(const std::string& path);

// True for a name that stays inside the directory it is extracted to: not
// empty, not "." or "..", and without '/', '\' or ':'.
bool IsPlainFileName(const std::string& name);

// True when the trailer's first three bytes would read as the magic, so a
// walk could not tell the trailer from one more entry.
bool TrailerSpellsMagic(uint32_t firstEntryOffset);

// Checks that the launcher can read every entry of a payload that starts
// at payloadStart: plain names of at most kMaxNameLength characters, at
// most kMaxEntries entries, every offset and the file size below 4 GB,
// and a trailer that does not spell the magic.
bool CheckPayload(const std::vector<Entry>& entries, uint64_t payloadStart, std::string* error);

// Checks a setting's value: at most kMaxStringLength characters and no NUL
// inside. what names the setting in the message.
bool CheckStringValue(const std::string& what, const std::string& value, std::string* error);

struct ListedEntry {
    uint32_t headerOffset = 0;   // where its magic starts
    std::string name;
    uint32_t kind = 0;
    uint32_t length = 0;
    uint32_t dataOffset = 0;
};

// Why a walk of the chain ended.
enum class ChainEnd {
    kTrailer,      // the last entry's data ends right at the trailer
    kPadding,      // zero bytes fill the rest up to the trailer
    kOtherBytes,   // other bytes stand where the next entry would start
    kMagicCase,    // the magic in other letter case ("TVQ", "tVq", ...)
    kTenEntries,   // one more entry follows the tenth
    kLongName,     // no NUL within the 20-byte name field
    kBadName,      // a name that would leave the folder it is extracted to
    kHeaderCut,    // kind and length reach into the trailer
    kDataCut,      // the data reaches into the trailer
};

// The chain as the launcher walks it, and where and why the walk ended.
struct ChainWalk {
    uint64_t payloadEnd = 0;   // behind the trailer: file size or certificate table
    uint64_t trailer = 0;      // payloadEnd - 4
    uint32_t firstEntry = 0;   // the trailer's value
    std::vector<ListedEntry> entries;
    ChainEnd end = ChainEnd::kTrailer;
    uint64_t endPosition = 0;  // where the entry that ended the walk starts
    std::string storedName;    // kLongName, kBadName: the name (at most 260 bytes shown)
    uint32_t storedLength = 0; // kDataCut: the length that reaches too far
};

// Walks the entry chain of a whole file the way the launcher does: from the
// trailer's offset to the first position without the magic, after at most
// kMaxEntries entries, and no further than a header or data that would
// reach into the trailer, or a name that is too long or not a plain file
// name. Returns false, with a message, when there is no trailer or it points
// beyond the end of the file; then walk holds no entries.
bool WalkPayload(const std::vector<uint8_t>& file, ChainWalk* walk, std::string* error);

// The entries of WalkPayload. Returns false, with a message, when not even
// one entry is found.
bool ReadPayload(const std::vector<uint8_t>& file, std::vector<ListedEntry>* entries,
                 std::string* error);

// A string entry's text, read the way the launcher reads it: up to the NUL,
// which must lie within the entry's data and within 260 bytes.
bool ReadStringValue(const std::vector<uint8_t>& file, const ListedEntry& entry,
                     std::string* value);

// True when the trailer points at the magic inside the file: the file
// already carries a payload.
bool HasPayload(const std::vector<uint8_t>& file);

struct BuildOptions {
    // 1 writes the payload without padding, the layout of the reference file.
    uint32_t alignment = 1;
    // Replace a payload the stub already carries, and drop its signature.
    bool force = false;
};

// Writes stub + payload to outputPath. The payload holds the requirement
// under "CommandLine", the URL under "URL" and the class file under its own
// file name (behind the last '/' or '\'). Refuses, with a message, inputs
// the launcher could not use: a stub that already carries a payload or a
// signature (unless options.force: then the signature and the old payload
// are cut away first), values of more than kMaxStringLength characters, a
// class file name that is not a plain file name ending in ".class" of at
// most kMaxNameLength characters, a class file that does not start with
// CA FE BA BE, unreadable inputs, an alignment that is not a power of two.
// On failure outputPath is left as it was.
bool BuildPackedFile(const std::string& stubPath, const std::string& requirement,
                     const std::string& url, const std::string& classPath,
                     const std::string& outputPath, const BuildOptions& options,
                     std::string* error);
// The same with BuildOptions() (no padding, no replacing).
bool BuildPackedFile(const std::string& stubPath, const std::string& requirement,
                     const std::string& url, const std::string& classPath,
                     const std::string& outputPath, std::string* error);

// Writes each entry the launcher reads into directory, under its entry
// name, as the launcher extracts them; existing files are replaced. Refuses,
// before writing anything, a file whose chain carries a name that is not a
// plain file name (a path separator, a drive colon, "." or "..") and
// entries of a kind other than 0, which the launcher cannot extract. On
// success written holds the paths written, in entry order.
bool ExtractEntries(const std::vector<uint8_t>& file, const std::string& directory,
                    std::vector<std::string>* written, std::string* error);

// Reads a file in binary mode; the message names the file and the reason.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);

}  // namespace wendle_pack
