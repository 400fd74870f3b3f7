// Reads the payload of a packed executable the way the launcher does: walks
// the chain of entries from the trailer, reads the settings, tells a jar
// payload from a class payload, and extracts the entries into a folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload_layout.h"
#include "runtime_tar.h"

namespace wendle_pack {

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
// which must lie within the entry's data and within capacity bytes (the
// launcher's buffer: 260 bytes for the settings).
bool ReadStringValue(const std::vector<uint8_t>& file, const ListedEntry& entry,
                     std::string* value, uint64_t capacity = kMaxStringLength + 1);

// True when the trailer points at the magic inside the file: the file
// already carries a payload.
bool HasPayload(const std::vector<uint8_t>& file);

// The index of the installer jar in a jar payload, whose installer class
// (the third entry) is the bootstrap and which holds an entry named like
// the jar behind it; names compared in any letter case, as Windows compares
// the file names they are extracted to. 0 for any other payload.
std::size_t InstallerJarIndex(const std::vector<ListedEntry>& entries);

// True when the installer class (the third entry) is the bootstrap, with or
// without the jar it looks for.
bool HasBootstrapClass(const std::vector<ListedEntry>& entries);

// The index of the runtime's entry ("runtime.tar", letter case ignored)
// behind the installer class, or 0 when there is none.
std::size_t RuntimeIndex(const std::vector<ListedEntry>& entries);

// The runtime in entry, read completely (ReadRuntimeTar with the whole
// tree) and checked by CheckRuntime against requirement, which may be null.
bool ReadRuntime(const std::vector<uint8_t>& file, const ListedEntry& entry,
                 const std::string* requirement, RuntimeFacts* facts, std::string* error);

// Writes each entry the launcher reads into directory, under its entry
// name, as the launcher extracts them, and the runtime's members into the
// folder "runtime" there; existing files are replaced. Refuses,
// before writing anything, a file whose chain carries a name that is not a
// plain file name (a path separator, a drive colon, "." or ".."), entries
// of a kind other than 0, which the launcher cannot extract, and a runtime
// archive that ReadRuntimeTar refuses. On
// success written holds the paths written, in entry order.
bool ExtractEntries(const std::vector<uint8_t>& file, const std::string& directory,
                    std::vector<std::string>* written, std::string* error);

}  // namespace wendle_pack
