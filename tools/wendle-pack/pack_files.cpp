#include "pack_files.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace wendle_pack {

namespace {

bool SeekTo(std::FILE* file, uint64_t offset, int origin)
{
#ifdef _WIN32
    return _fseeki64(file, (long long)offset, origin) == 0;
#else
    return fseeko(file, (off_t)offset, origin) == 0;
#endif
}

uint64_t Position(std::FILE* file)
{
#ifdef _WIN32
    return (uint64_t)_ftelli64(file);
#else
    return (uint64_t)ftello(file);
#endif
}

std::string CannotRead(const std::string& path)
{
    return "cannot read " + path + ": " + std::strerror(errno);
}

bool MoveIntoPlace(const std::string& from, const std::string& to, std::string* error)
{
#ifdef _WIN32
    // rename() on Windows refuses an existing target.
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        *error = "cannot rename " + from + " to " + to + ": Windows error " +
                 std::to_string(GetLastError());
        return false;
    }
#else
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        *error = "cannot rename " + from + " to " + to + ": " + std::strerror(errno);
        return false;
    }
#endif
    return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    bytes->clear();
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        *error = CannotRead(path);
        return false;
    }
    uint8_t chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + got);
    // A directory opens on some systems and fails only on the first read.
    bool failed = std::ferror(in) != 0;
    int readErrno = errno;
    std::fclose(in);
    if (failed) {
        *error = "cannot read " + path + ": " + std::strerror(readErrno);
        return false;
    }
    return true;
}

InputFile::~InputFile()
{
    if (in_ != nullptr)
        std::fclose(in_);
}

bool InputFile::Open(const std::string& path, std::string* error)
{
    path_ = path;
    in_ = std::fopen(path.c_str(), "rb");
    if (in_ == nullptr) {
        *error = CannotRead(path);
        return false;
    }
    // A directory opens on some systems and fails only on the first read.
    char first;
    std::size_t got = std::fread(&first, 1, 1, in_);
    (void)got;
    if (std::ferror(in_) || !SeekTo(in_, 0, SEEK_END)) {
        *error = CannotRead(path);
        return false;
    }
    size_ = Position(in_);
    if (!SeekTo(in_, 0, SEEK_SET)) {
        *error = CannotRead(path);
        return false;
    }
    return true;
}

bool InputFile::StartsWith(const std::vector<uint8_t>& bytes, bool* starts, std::string* error)
{
    std::vector<uint8_t> head(bytes.size());
    std::size_t got = std::fread(head.data(), 1, head.size(), in_);
    if (std::ferror(in_) || !SeekTo(in_, 0, SEEK_SET)) {
        *error = CannotRead(path_);
        return false;
    }
    *starts = got == bytes.size() && head == bytes;
    return true;
}

namespace {

// Copies the rest of in to out; written turns false on a write error. False,
// with the message, when the bytes copied are not the size, taken earlier,
// that the headers in front of them were written with.
bool CopyWhole(const InputFile& in, uint64_t size, std::FILE* out, std::vector<char>& chunk,
               bool* written, std::string* error)
{
    chunk.resize(1 << 20);
    uint64_t copied = 0;
    std::size_t got;
    while (*written && (got = std::fread(chunk.data(), 1, chunk.size(), in.Stream())) > 0) {
        *written = std::fwrite(chunk.data(), 1, got, out) == got;
        copied += got;
    }
    if (*written && copied != size) {
        *error = in.Path() + " changed its size while it was packed";
        return false;
    }
    return true;
}

}  // namespace

bool WriteOutputFile(const std::string& path, const std::vector<OutputPiece>& pieces,
                     std::string* error)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        *error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    bool written = true;
    int writeErrno = 0;
    std::vector<char> chunk;
    for (const OutputPiece& piece : pieces) {
        if (piece.bytes != nullptr) {
            written = std::fwrite(piece.bytes->data(), 1, piece.bytes->size(), out) ==
                      piece.bytes->size();
        } else if (piece.file != nullptr || piece.path != nullptr) {
            InputFile later;
            const bool copied =
                piece.file != nullptr
                    ? CopyWhole(*piece.file, piece.file->Size(), out, chunk, &written, error)
                    : later.Open(*piece.path, error) &&
                          CopyWhole(later, piece.size, out, chunk, &written, error);
            if (!copied) {
                std::fclose(out);
                return false;
            }
        }
        if (!written) {
            writeErrno = errno;
            break;
        }
    }
    if (written && std::fflush(out) != 0) {
        written = false;
        writeErrno = errno;
    }
    if (std::fclose(out) != 0 && written) {
        written = false;
        writeErrno = errno;
    }
    if (!written) {
        *error = "cannot write " + path + ": " + std::strerror(writeErrno);
        return false;
    }
    return true;
}

bool WriteOutputFileInPlace(const std::string& path, const std::vector<OutputPiece>& pieces,
                            std::string* error)
{
    const std::string partialPath = path + ".partial";
    if (!WriteOutputFile(partialPath, pieces, error) ||
        !MoveIntoPlace(partialPath, path, error)) {
        std::remove(partialPath.c_str());
        return false;
    }
    return true;
}

}  // namespace wendle_pack
