// The message-box program with one exception thrown and caught the way the
// launcher does it (a heap object, by pointer, allocated with nothrow new).
// Linked with the launcher's own replacements of the terminate handler and
// the allocator, so the difference to msgbox_floor.c is what the C++
// exception runtime itself costs.
#include <windows.h>

#include <new>

namespace {

struct Failure {
    virtual ~Failure() {}
    DWORD code;
};

// Not inlined: the throw must really travel through a call frame.
__attribute__((noinline)) void Fail(DWORD code)
{
    Failure* failure = new (std::nothrow) Failure;
    if (failure != NULL)
        failure->code = code;
    throw failure;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    try {
        if (commandLine[0] == 'x')
            Fail(GetLastError());
        MessageBoxA(NULL, "Hello", "Wendle", MB_ICONINFORMATION);
    } catch (Failure* failure) {
        delete failure;
    }
    return 0;
}
