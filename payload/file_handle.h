// A Win32 file handle whose operations throw a CException on failure and
// which closes itself when destroyed.
#pragma once

#include <windows.h>
#include <stddef.h>

class FileHandle {
public:
    FileHandle() : handle(0) {}
    virtual ~FileHandle() { Close(); }

    // Shared for reading, so that a second instance of the launcher can read
    // its own file at the same time.
    void OpenRead(const char* path);
    // Created or truncated, without sharing.
    void CreateWrite(const char* path);
    // Created only when nothing of that name exists.
    void CreateNew(const char* path);

    // 64-bit: a payload reaches up to 4 GB, past what a signed 32-bit
    // distance can name.
    void Seek(LONGLONG distance, DWORD method);
    DWORD Tell();
    // Throws ERROR_FILE_TOO_LARGE for a file of 4 GB or more: no payload
    // offset reaches its end, where the trailer lies.
    DWORD GetSize();

    // The reads report how much they got: a read at the end of the file
    // succeeds with fewer bytes, and callers that need whole values test it.
    bool ReadByte(unsigned char* destination);
    DWORD Read(void* destination, DWORD count);
    bool ReadUInt32(DWORD* destination);
    // Reads bytes up to and including a NUL into destination, which holds
    // capacity bytes. Returns true when the NUL was read. When the file ends
    // first, or capacity bytes pass without a NUL, the text read so far is
    // kept (cut to capacity - 1) and false is returned.
    bool ReadCString(char* destination, size_t capacity);

    void Write(const void* source, DWORD count);
    void Close();

    bool IsOpen() const { return handle != 0; }

private:
    FileHandle(const FileHandle&);
    FileHandle& operator=(const FileHandle&);

    void Create(const char* path, DWORD disposition);

    HANDLE handle;
};
