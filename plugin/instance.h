#pragma once

#include <cstdint>

class TForm1;

// The library's one instance. Created by the first Initialize on the GUI thread of a running
// QApplication; destroyed before the application or the library goes away.
TForm1* CreateInstance(uintptr_t hostWindow, int32_t hostValue);

// The instance when one exists and the caller is on its thread, else null.
TForm1* CurrentInstance();
