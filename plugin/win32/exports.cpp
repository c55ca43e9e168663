// The four functions a host calls, with the standard Windows calling convention. Each catches
// everything at its edge: a failure inside the plug-in is reported and never reaches the host.
#include <windows.h>

#include <cstdint>

#include "pipeline/rds_group_record.h"
#include "plugin/error_report.h"
#include "plugin/tform1_handlers.h"
#include "plugin/win32/instance.h"

extern "C" {

// The same pointer on every call: a host may keep it.
__declspec(dllexport) const char* PluginName() {
    static constexpr char kName[] = "Tolvane";
    return kName;
}

// Returns the instance's window handle, or null when the window cannot be made. A second call
// returns the window that the first one made.
__declspec(dllexport) void* __stdcall Initialize(uint32_t hostWindow, int32_t hostValue) {
    void* result = nullptr;
    Guarded("Initialize", [&] {
        HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(hostWindow));
        result = win32_instance::Create(owner, hostValue);
    });
    return result;
}

__declspec(dllexport) void __stdcall Command(const char* text, int32_t workspace) {
    Guarded("Command", [&] {
        if (TForm1Handlers* form = win32_instance::Current()) {
            form->ExecuteCommand(text, workspace);
        }
    });
}

__declspec(dllexport) void __stdcall RDSGroup(const RdsGroupRecord* group) {
    if (group == nullptr) {
        return;
    }
    Guarded("RDSGroup", [&] {
        if (TForm1Handlers* form = win32_instance::Current()) {
            form->ReceiveGroup(group);
        }
    });
}

}  // extern "C"
