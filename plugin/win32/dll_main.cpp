#include <windows.h>

#include "VaCommEventThread.h"
#include "plugin/win32/instance.h"

// At FreeLibrary the window and the links must go: their window procedures and timers live in
// this module's code, and a window left behind would call into unmapped memory. This runs under
// the loader lock, which is safe for the window and the TCP link (both are destroyed on this
// thread without waiting for another one); an open serial port joins its threads there, so the
// host should close the port before it unloads. At process exit (reserved is not null) other
// threads are already gone and the system reclaims everything, so nothing is touched there.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        va_win32::ModuleThread::SetUnloading();
        win32_instance::DestroyAtUnload();
    }
    return TRUE;
}
