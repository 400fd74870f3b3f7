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

// The smallest Windows executable signing tools accept: PE32 headers with
// sixteen data directories, one 512-byte section; 1024 bytes. Offsets of the
// fields the payload cares about:
constexpr std::size_t kPeHeaderOffset = 0x40;          // "PE\0\0"
constexpr std::size_t kOptionalHeaderOffset = 0x58;    // magic 0x10B
constexpr std::size_t kSecurityEntryOffset = 0xD8;     // table offset, size
std::vector<uint8_t> MinimalPe();

void PutUInt16(std::vector<uint8_t>& bytes, std::size_t offset, uint16_t value);
void PutUInt32(std::vector<uint8_t>& bytes, std::size_t offset, uint32_t value);

// A command run through the shell, with its output captured.
struct CommandRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};
std::string ShellQuoted(const std::string& arg);
CommandRun RunCommand(const std::vector<std::string>& args);

}  // namespace test_files
