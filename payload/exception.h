// The launcher's one error type: a failed Win32 call, thrown by pointer.
#pragma once

#include <windows.h>

class CException {
public:
    explicit CException(DWORD errorCode) : errorCode(errorCode) {}
    virtual ~CException() {}

    DWORD errorCode;
};

// Creates a CException on the heap and throws a pointer to it. When the
// allocation fails a null pointer is thrown, so every handler tests for null
// before it deletes.
[[noreturn]] void ThrowWin32Error(DWORD errorCode);
