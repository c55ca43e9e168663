#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// When the reference host feeds which group and when it ends, apart from any toolkit: the host
// asks on each tick of its timer, with the milliseconds since it started feeding.
//
// Groups from a file are due at the rate (0: all at once), the first at once. Once the input
// is used up and the plug-in's window is hidden the host ends, after waiting up to `waitSent`
// seconds for the plug-in to send what it queued; the queue counts as sent once it has stayed
// empty for kSettleMs. `quitAfter` seconds (when not negative) end the host in any case, and
// then the end of the input does not.
class FeedSchedule {
public:
    struct Options {
        double rate = 0;
        double quitAfter = -1;
        double waitSent = 0;
    };

    // The last command may still be on its way to the encoder when the queue empties; closing
    // the link at once could cut it, so the queue must stay empty this long.
    static constexpr std::int64_t kSettleMs = 500;

    explicit FeedSchedule(const Options& options) : m_options(options) {}

    // How many of the first groups of a list of `total` are due at `nowMs`.
    [[nodiscard]] std::size_t Due(std::int64_t nowMs, std::size_t total) const;

    // Whether the host ends now. `inputDone`: every group was fed and any stream has ended;
    // `queueEmpty`: the plug-in has nothing waiting to be sent.
    [[nodiscard]] bool ShouldFinish(std::int64_t nowMs, bool inputDone, bool windowVisible,
                                    bool queueEmpty);

private:
    Options m_options;
    std::int64_t m_inputDoneAt = -1;
    std::int64_t m_emptySince = -1;
};

// The text of "Groups waiting in buffer" says the queue is empty: it reads 0, or it was never
// set (no number) because nothing was queued.
[[nodiscard]] bool WaitingLabelShowsEmpty(std::string_view text);

// The quit timer counts milliseconds in a signed 32-bit integer: about 24.8 days at most.
inline constexpr double kQuitAfterLimitMs = 2147483648.0;

// Whether `seconds` is a time the quit timer can hold (NaN is not).
[[nodiscard]] bool QuitAfterInRange(double seconds);

// A number of seconds as the host's options take it: the whole text, blanks around it aside, is
// a number in decimal notation; nothing for an empty text or anything else.
[[nodiscard]] std::optional<double> ParseSeconds(std::string_view text);
