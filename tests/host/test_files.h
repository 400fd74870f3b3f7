// Scratch directories and whole-file reads and writes for the host tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test_files {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // The directory joined with name.
    std::string File(const std::string& name) const;
    // The names in the directory, sorted.
    std::vector<std::string> List() const;

private:
    std::string path_;
};

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
std::vector<uint8_t> ReadBytes(const std::string& path);
bool Exists(const std::string& path);

std::vector<uint8_t> Bytes(const std::string& text);

// A launcher executable without payload: starts with "MZ", ends in zeros
// (like a PE file's padded last section), and holds no "tvq".
std::vector<uint8_t> FakeStub(std::size_t size);

// A class file: CA FE BA BE followed by filler up to size bytes.
std::vector<uint8_t> FakeClassFile(std::size_t size);

}  // namespace test_files
