#pragma once

#include <chrono>
#include <functional>

namespace test_support {

// Runs the calling thread's message loop until done() holds or the timeout has passed; returns
// done() at the end. Notifications, window timers and posted messages of the links on this
// thread are delivered meanwhile.
bool PumpMessagesUntil(const std::function<bool()>& done,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Runs the message loop for the whole period.
void PumpMessagesFor(std::chrono::milliseconds period);

}  // namespace test_support
