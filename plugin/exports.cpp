// The four functions a host calls. Each catches everything at its edge: a failure inside the
// plug-in is reported on its window and never reaches the host.
#include <cstdint>

#include "pipeline/rds_group_record.h"
#include "plugin/error_report.h"
#include "plugin/instance.h"
#include "plugin/tform1.h"

#define TOLVANE_EXPORT extern "C" __attribute__((visibility("default")))

TOLVANE_EXPORT const char* PluginName() {
    static constexpr char kName[] = "Tolvane";
    return kName;
}

// Returns the instance's window (a QWidget) as an opaque pointer, or null when no QApplication
// runs on the calling thread. A second call returns the instance that the first one made.
TOLVANE_EXPORT void* Initialize(uintptr_t hostWindow, int32_t hostValue) {
    void* result = nullptr;
    Guarded("Initialize", [&] {
        if (TForm1* form = CreateInstance(hostWindow, hostValue)) {
            result = static_cast<QWidget*>(form);
        }
    });
    return result;
}

TOLVANE_EXPORT void Command(const char* text, int32_t workspace) {
    Guarded("Command", [&] {
        if (TForm1* form = CurrentInstance()) {
            form->ExecuteCommand(text, workspace);
        }
    });
}

TOLVANE_EXPORT void RDSGroup(const RdsGroupRecord* group) {
    if (group == nullptr) {
        return;
    }
    Guarded("RDSGroup", [&] {
        if (TForm1* form = CurrentInstance()) {
            form->ReceiveGroup(group);
        }
    });
}
