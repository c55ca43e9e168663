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
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
}

void PumpMessagesFor(std::chrono::milliseconds period) {
    PumpMessagesUntil([] { return false; }, period);
}

}  // namespace test_support
