#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "output/connection_state.h"
#include "output/encoder_command.h"
#include "output/encoder_reply.h"

// A group whose text (its commands, led by a cancel line after a cut) the serial link took but
// has not yet written whole to the device. The group stays first in the queue meanwhile.
struct HeldSerialGroup {
    // The queue's front number at the hand-over: the group is still first while it is the same.
    uint64_t Front = 0;
    std::string Text;
    // LastSentPI at the hand-over, and what it becomes once the text is written.
    int32_t LastSentPIBefore = 0;
    int32_t LastSentPIAfter = 0;
};

// The output state of the plug-in as a whole: zero when the library is loaded, touched only on
// the GUI thread by the send tick, the connection manager and the reply poll.
struct OutputState {
    encoder_output::ConnectionState Connection;
    // Options copied at Connect / Update.
    bool Bidirectional = false;
    bool Limit = false;
    encoder_output::KeepOptions Keep;
    int32_t SendInterval = 0;
    // When the send tick last took a group, in ms of the output clock; none yet at load.
    std::optional<int64_t> LastSendTime;
    int32_t CurrentPI = 0;
    int32_t LastSentPI = 0;
    encoder_output::ReplyText ReplyText;
    encoder_output::TcpReceiveText TcpReceiveText;
    std::optional<HeldSerialGroup> SerialHeld;
    // A closed port cut a command after part of it had reached the device: the next text written
    // to a serial port begins with a cancel line.
    bool SerialLineCut = false;
};

OutputState& Output();

// The millisecond clock of the send tick's spacing test: monotonic; tests replace it.
std::function<int64_t()>& OutputClock();

// After Clear: the next group's PI is sent whatever it is.
void ForgetSentPI();
