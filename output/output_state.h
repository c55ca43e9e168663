#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "output/connection_state.h"
#include "output/encoder_command.h"
#include "output/encoder_reply.h"

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
};

OutputState& Output();

// The millisecond clock of the send tick's spacing test: monotonic; tests replace it.
std::function<int64_t()>& OutputClock();

// After Clear: the next group's PI is sent whatever it is.
void ForgetSentPI();
