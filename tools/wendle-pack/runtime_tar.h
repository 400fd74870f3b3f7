// The Java runtime that an installer may bring (build --runtime DIR): a
// Windows runtime image as jlink makes it, packed as the payload entry
// "runtime.tar", an uncompressed POSIX ustar archive that wendle-pack writes
// itself:
//   - deterministic: within each folder the names are sorted byte by byte,
//     a folder comes in front of what it holds, and times, owners and modes
//     are fixed, so that two packs of one folder are byte-identical;
//   - regular files and folders only, each path in the name field (at most
//     99 characters, the prefix field empty), each of its parts a name that
//     Windows writes (payload/entry_name.h);
//   - two blocks of zeros at the end.
// The launcher (payload/tar_header.h) takes exactly such archives; the
// reader here says in words what it would refuse.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pack_files.h"

namespace wendle_pack {

extern const char kRuntimeEntry[];   // "runtime.tar"
constexpr std::size_t kTarBlock = 512;
constexpr std::size_t kMaxTarPath = 99;

struct RuntimeMember {
    std::string path;          // parts joined by '/'; a folder without a trailing '/'
    bool folder = false;
    uint64_t size = 0;
    uint64_t dataOffset = 0;   // within the archive, when read from one
    std::string source;        // the file on disk, when packed
};

// What a runtime says of itself and what it holds.
struct RuntimeFacts {
    std::string version;       // JAVA_VERSION of its release file
    int feature = -1;          // 17 for "17.0.15", 8 for "1.8.0_392"
    uint64_t files = 0, folders = 0, bytes = 0;
};

// The header block of one member: type '0' (file) or '5' (folder).
std::vector<uint8_t> TarHeader(const std::string& name, char type, uint64_t size);

// Reads the folder dir into members, in archive order. Refuses links and
// other special files, names that Windows could not write or that differ
// only in letter case, and paths of more than kMaxTarPath characters.
bool ScanRuntimeFolder(const std::string& dir, std::vector<RuntimeMember>* members,
                       std::string* error);

// The archive of members as output pieces: headers, padding and the end in
// blocks (which the pieces point into), the files read from their sources.
// Returns the archive's size.
uint64_t TarPieces(const std::vector<RuntimeMember>& members,
                   std::vector<std::vector<uint8_t>>* blocks, std::vector<OutputPiece>* pieces);

// Reads an archive as the launcher does, header by header; with
// wholeTree, also what the launcher finds only when it writes: a path met
// twice (letter case ignored) and a member whose folder is not in front of
// it. False, with the first fault in words.
bool ReadRuntimeTar(const uint8_t* data, uint64_t size, bool wholeTree,
                    std::vector<RuntimeMember>* members, std::string* error);

// Reads a member's bytes, from the archive or from the disk.
using MemberReader = std::function<bool(const RuntimeMember&, std::vector<uint8_t>*, std::string*)>;

// Checks what the launcher relies on when it offers the runtime: a
// bin/java.exe that is a Windows executable, a release file with
// JAVA_VERSION, and an alternative of the requirement that lets that
// version in. False, with the fault and its fix.
// Without a requirement (null), the last check is left out.
bool CheckRuntime(const std::vector<RuntimeMember>& members, const MemberReader& read,
                  const std::string* requirement, RuntimeFacts* facts, std::string* error);

}  // namespace wendle_pack
