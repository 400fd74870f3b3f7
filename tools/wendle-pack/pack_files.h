// The files wendle-pack reads and writes: whole files read into memory (a
// packed executable), input files streamed into the output in chunks (an
// installer class or jar may be large), and output written beside its
// target and renamed into place, so that a failure never leaves a
// half-written or a missing executable behind.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace wendle_pack {

// Reads a file in binary mode; the message names the file and the reason.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);

// A file open for reading, with its size taken from the file system; closed
// when destroyed.
class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // Opens path, reads its size and leaves the position at the start.
    bool Open(const std::string& path, std::string* error);
    // Whether the file starts with these bytes; the position goes back to
    // the start. False only when the file cannot be read.
    bool StartsWith(const std::vector<uint8_t>& bytes, bool* starts, std::string* error);

    const std::string& Path() const { return path_; }
    uint64_t Size() const { return size_; }
    std::FILE* Stream() const { return in_; }

private:
    std::FILE* in_ = nullptr;
    std::string path_;
    uint64_t size_ = 0;
};

// One piece of an output file: bytes in memory, the whole of an input file,
// or the whole of the file at path, opened only when its turn comes (a
// runtime has more files than may be open at once) and expected to have
// size bytes.
struct OutputPiece {
    const std::vector<uint8_t>* bytes = nullptr;
    InputFile* file = nullptr;
    const std::string* path = nullptr;
    uint64_t size = 0;
};

// Writes the pieces one behind the other to path (created or replaced).
// Fails when an input file's size changed since it was opened.
bool WriteOutputFile(const std::string& path, const std::vector<OutputPiece>& pieces,
                     std::string* error);

// Writes the pieces to path + ".partial", then renames it to path; on
// failure path is left as it was and nothing else stays behind.
bool WriteOutputFileInPlace(const std::string& path, const std::vector<OutputPiece>& pieces,
                            std::string* error);

}  // namespace wendle_pack
