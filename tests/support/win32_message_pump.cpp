#include "support/win32_message_pump.h"

#include <windows.h>

namespace test_support {

namespace {

void dispatchWaiting() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

bool PumpMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        dispatchWaiting();
        if (done()) {
            return true;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return done();
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        const DWORD wait = static_cast<DWORD>(left.count() < 10 ? left.count() : 10);
        // Also wakes for a message that a handler saw but left queued (a filtered PeekMessage),
        // as GetMessage would, rather than sleeping the whole wait with it.
        MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void PumpMessagesFor(std::chrono::milliseconds period) {
    PumpMessagesUntil([] { return false; }, period);
}

}  // namespace test_support
