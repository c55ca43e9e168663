#include <windows.h>

#include "plugin/win32/instance.h"

// At FreeLibrary the window and the links must go: their window procedures and timers live in
// this module's code. At process exit (reserved is not null) other threads are already gone and
// the system reclaims everything, so nothing is touched there.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        win32_instance::DestroyAtUnload();
    }
    return TRUE;
}
