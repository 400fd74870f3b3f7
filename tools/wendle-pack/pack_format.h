// The payload that wendle-pack appends behind the launcher's executable image,
// written and read the way the launcher reads it:
//
//   entry   "tvq", name, NUL, kind (u32), length (u32), length data bytes
//   ...     the next entry follows directly
//   trailer the file offset of the first entry (u32), the last 4 bytes
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

// Appends one entry whose stored length may differ from the data written,
// for files that are meant to be malformed.
void AppendEntryBytes(std::vector<uint8_t>& out, const std::string& name, uint32_t kind,
                      uint32_t length, const std::vector<uint8_t>& data);

// The entries, one behind the other, and the trailer pointing at
// payloadStart, the size of the stub the payload will follow. Checks nothing.
std::vector<uint8_t> EncodePayload(const std::vector<Entry>& entries, uint32_t payloadStart);

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

// Walks the entry chain of a whole file the way the launcher does: from the
// trailer's offset to the first position without the magic, after at most
// kMaxEntries entries, and no further than a header or data that would
// reach into the trailer, or a name that is too long or not a plain file
// name. Returns false, with a message, when not even one entry is found.
bool ReadPayload(const std::vector<uint8_t>& file, std::vector<ListedEntry>* entries,
                 std::string* error);

// A string entry's text, read the way the launcher reads it: up to the NUL,
// which must lie within the entry's data and within 260 bytes.
bool ReadStringValue(const std::vector<uint8_t>& file, const ListedEntry& entry,
                     std::string* value);

// True when the trailer points at the magic inside the file: the file
// already carries a payload.
bool HasPayload(const std::vector<uint8_t>& file);

// Writes stub + payload to outputPath. The payload holds the requirement
// under "CommandLine", the URL under "URL" and the class file under its own
// file name (behind the last '/' or '\'). Refuses, with a message, inputs
// the launcher could not use: a stub that already carries a payload, values
// of more than kMaxStringLength characters, a class file name that is not a
// plain file name ending in ".class" of at most kMaxNameLength characters,
// a class file that does not start with CA FE BA BE, unreadable inputs.
// On failure outputPath is left as it was.
bool BuildPackedFile(const std::string& stubPath, const std::string& requirement,
                     const std::string& url, const std::string& classPath,
                     const std::string& outputPath, std::string* error);

// Reads a file in binary mode; the message names the file and the reason.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);

}  // namespace wendle_pack
