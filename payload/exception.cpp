#include "payload/exception.h"

#include <new>

void ThrowWin32Error(DWORD errorCode)
{
    throw new (std::nothrow) CException(errorCode);
}
