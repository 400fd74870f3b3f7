#include "test_files.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace test_files {

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "wendle-pack-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary directory");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const
{
    return path_ + "/" + name;
}

std::vector<std::string> TempDir::List() const
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

void WriteText(const std::string& path, const std::string& text)
{
    WriteBytes(path, Bytes(text));
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path)
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> FakeStub(std::size_t size)
{
    std::vector<uint8_t> stub(size, 0);
    for (std::size_t i = 0; i + 512 < size; ++i)
        stub[i] = uint8_t('A' + i % 26);
    if (size >= 2) {
        stub[0] = 'M';
        stub[1] = 'Z';
    }
    return stub;
}

std::vector<uint8_t> FakeClassFile(std::size_t size)
{
    static const uint8_t kMagic[] = {0xCA, 0xFE, 0xBA, 0xBE};
    std::vector<uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = i < 4 ? kMagic[i] : uint8_t(i * 31 + 7);
    return data;
}

std::vector<uint8_t> MinimalPe()
{
    std::vector<uint8_t> pe(0x400, 0);
    pe[0] = 'M';
    pe[1] = 'Z';
    PutUInt32(pe, 0x3C, kPeHeaderOffset);
    pe[kPeHeaderOffset] = 'P';
    pe[kPeHeaderOffset + 1] = 'E';
    // File header: i386, one section, a 224-byte optional header, executable.
    PutUInt16(pe, 0x44, 0x14C);
    PutUInt16(pe, 0x46, 1);
    PutUInt16(pe, 0x54, 0xE0);
    PutUInt16(pe, 0x56, 0x0102);
    const std::size_t o = kOptionalHeaderOffset;
    PutUInt16(pe, o, 0x10B);
    PutUInt32(pe, o + 4, 0x200);          // size of code
    PutUInt32(pe, o + 16, 0x1000);        // entry point
    PutUInt32(pe, o + 20, 0x1000);        // base of code
    PutUInt32(pe, o + 24, 0x1000);        // base of data
    PutUInt32(pe, o + 28, 0x400000);      // image base
    PutUInt32(pe, o + 32, 0x1000);        // section alignment
    PutUInt32(pe, o + 36, 0x200);         // file alignment
    PutUInt16(pe, o + 40, 4);             // operating system version
    PutUInt16(pe, o + 48, 4);             // subsystem version
    PutUInt32(pe, o + 56, 0x2000);        // size of image
    PutUInt32(pe, o + 60, 0x200);         // size of headers
    PutUInt16(pe, o + 68, 2);             // GUI subsystem
    PutUInt32(pe, o + 72, 0x100000);      // stack reserve, commit
    PutUInt32(pe, o + 76, 0x1000);
    PutUInt32(pe, o + 80, 0x100000);      // heap reserve, commit
    PutUInt32(pe, o + 84, 0x1000);
    PutUInt32(pe, o + 92, 16);            // data directories
    const std::size_t section = o + 0xE0;
    const char name[] = ".text";
    std::copy(name, name + 5, pe.begin() + section);
    PutUInt32(pe, section + 8, 0x200);    // virtual size
    PutUInt32(pe, section + 12, 0x1000);  // virtual address
    PutUInt32(pe, section + 16, 0x200);   // raw size
    PutUInt32(pe, section + 20, 0x200);   // raw offset
    PutUInt32(pe, section + 36, 0x60000020);
    pe[0x200] = 0xC3;                     // ret
    return pe;
}

void PutUInt16(std::vector<uint8_t>& bytes, std::size_t offset, uint16_t value)
{
    bytes[offset] = uint8_t(value);
    bytes[offset + 1] = uint8_t(value >> 8);
}

void PutUInt32(std::vector<uint8_t>& bytes, std::size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = uint8_t(value >> (8 * i));
}

std::string ShellQuoted(const std::string& arg)
{
    std::string quoted = "'";
    for (char c : arg) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

CommandRun RunCommand(const std::vector<std::string>& args)
{
    TempDir capture;
    std::string command;
    for (const std::string& arg : args)
        command += (command.empty() ? "" : " ") + ShellQuoted(arg);
    command += " >" + ShellQuoted(capture.File("out")) + " 2>" + ShellQuoted(capture.File("err"));
    CommandRun run;
    int status = std::system(command.c_str());
    if (status != -1 && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    std::vector<uint8_t> out = ReadBytes(capture.File("out"));
    std::vector<uint8_t> err = ReadBytes(capture.File("err"));
    run.out.assign(out.begin(), out.end());
    run.err.assign(err.begin(), err.end());
    return run;
}

}  // namespace test_files
