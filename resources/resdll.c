/* Entry point of the language libraries: they carry resources only, no runtime and no code. */
#include <windows.h>

BOOL WINAPI ResourceDllEntry(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
