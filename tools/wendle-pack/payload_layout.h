// The payload that wendle-pack appends behind the launcher's executable image,
// as the launcher reads it:
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
//
// The launcher reads the first three entries as the requirement string, the
// download address and the installer class, and extracts every entry beside
// the installer class. A jar payload's installer class is the bootstrap
// (bootstrap_class.h), followed by the jar itself.
//
// What the reader and the writer share; payload_reader.h walks the chain,
// payload_writer.h builds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "payload/entry_name.h"

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
// A jar payload's installer class, the bootstrap that starts the jar
// (bootstrap_class.h), and the jar, under the name the bootstrap looks for.
extern const char kBootstrapEntry[];     // "WendleJar.class"
extern const char kInstallerJarEntry[];  // "installer.jar"

// The little-endian value at offset; the caller makes sure 4 bytes are there.
uint32_t ReadUInt32At(const std::vector<uint8_t>& file, uint64_t offset);
void AppendUInt32(std::vector<uint8_t>& out, uint32_t value);

// "0x" and upper-case hex digits, as offsets are shown in messages.
std::string Hex(uint64_t value);

// True when the magic "tvq" starts at offset.
bool MagicAt(const std::vector<uint8_t>& file, uint64_t offset);

// True when the trailer's first three bytes would read as the magic, so a
// walk could not tell the trailer from one more entry.
bool TrailerSpellsMagic(uint32_t firstEntryOffset);

// The part of path behind its last '/' or '\'.
std::string FileNamePart(const std::string& path);

// The launcher's rule for entry names (payload/entry_name.h), which the tool
// applies to every name it packs, reads or extracts; a NUL inside the name
// counts as a character Windows refuses.
EntryNameFault CheckName(const std::string& name);

// What is wrong with a name that CheckName refuses, for messages, such as
// "is a Windows device name (...)".
std::string NameFaultText(EntryNameFault fault);

// The launcher's comparison of entry names, and Windows' of file names:
// ASCII letters in any case.
bool SameNameIgnoringCase(const std::string& a, const std::string& b);

}  // namespace wendle_pack
