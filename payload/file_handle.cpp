#include "payload/file_handle.h"

#include "payload/exception.h"

void FileHandle::OpenRead(const char* path)
{
    Close();
    HANDLE opened = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    if (opened == INVALID_HANDLE_VALUE)
        ThrowWin32Error(GetLastError());
    handle = opened;
}

void FileHandle::CreateWrite(const char* path)
{
    Create(path, CREATE_ALWAYS);
}

void FileHandle::CreateNew(const char* path)
{
    Create(path, CREATE_NEW);
}

void FileHandle::Create(const char* path, DWORD disposition)
{
    Close();
    HANDLE opened = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, disposition,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    if (opened == INVALID_HANDLE_VALUE)
        ThrowWin32Error(GetLastError());
    handle = opened;
}

void FileHandle::Seek(LONGLONG distance, DWORD method)
{
    LARGE_INTEGER to;
    to.QuadPart = distance;
    if (!SetFilePointerEx(handle, to, NULL, method))
        ThrowWin32Error(GetLastError());
}

DWORD FileHandle::Tell()
{
    LARGE_INTEGER none, at;
    none.QuadPart = 0;
    at.QuadPart = 0;
    SetFilePointerEx(handle, none, &at, FILE_CURRENT);
    return at.LowPart;
}

DWORD FileHandle::GetSize()
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size))
        ThrowWin32Error(GetLastError());
    if (size.HighPart != 0)
        ThrowWin32Error(ERROR_FILE_TOO_LARGE);
    return size.LowPart;
}

bool FileHandle::ReadByte(unsigned char* destination)
{
    return Read(destination, 1) == 1;
}

DWORD FileHandle::Read(void* destination, DWORD count)
{
    DWORD done = 0;
    if (!ReadFile(handle, destination, count, &done, NULL))
        ThrowWin32Error(GetLastError());
    return done;
}

bool FileHandle::ReadUInt32(DWORD* destination)
{
    unsigned char bytes[4];
    if (Read(bytes, 4) != 4)
        return false;
    *destination = (DWORD)bytes[0] | ((DWORD)bytes[1] << 8) | ((DWORD)bytes[2] << 16) |
                   ((DWORD)bytes[3] << 24);
    return true;
}

bool FileHandle::ReadCString(char* destination, size_t capacity)
{
    if (capacity == 0)
        return false;
    for (size_t stored = 0; stored < capacity; ++stored) {
        unsigned char byte = 0;
        if (!ReadByte(&byte)) {
            destination[stored] = '\0';
            return false;
        }
        destination[stored] = (char)byte;
        if (byte == 0)
            return true;
    }
    destination[capacity - 1] = '\0';
    return false;
}

void FileHandle::Write(const void* source, DWORD count)
{
    DWORD done = 0;
    if (!WriteFile(handle, source, count, &done, NULL))
        ThrowWin32Error(GetLastError());
    // A short write without an error is a full disk on some file systems.
    if (done != count)
        ThrowWin32Error(ERROR_HANDLE_DISK_FULL);
}

void FileHandle::Close()
{
    if (handle != 0) {
        CloseHandle(handle);
        handle = 0;
    }
}
