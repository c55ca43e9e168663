#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace encoder_sim {

// Cuts the received byte stream into command lines. A line ends at CR, at LF, or at CR LF
// (counted once); empty lines are skipped. A line that grows past kMaxLineLength is reported
// once as overlong when it overflows, and its remaining bytes are dropped up to the next line
// end, so a sender that never ends a line cannot make the buffer grow.
class LineAssembler {
public:
    static constexpr std::size_t kMaxLineLength = 64;

    struct Line {
        std::string text;
        bool overlong = false;
    };

    // Takes one byte; returns a line when this byte completes one or overflows it.
    std::optional<Line> Push(char byte);

    // Forgets a partial line, as at the start of a new connection.
    void Reset();

private:
    std::string m_text;
    bool m_overlong = false;
    bool m_afterCr = false;
};

}  // namespace encoder_sim
