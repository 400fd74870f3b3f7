/* The smallest GUI program of this toolchain: one message box. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    MessageBoxA(NULL, "Hello", "Wendle", MB_ICONINFORMATION);
    return 0;
}
