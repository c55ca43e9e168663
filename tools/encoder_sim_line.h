#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace encoder_sim {

// Cuts the received byte stream into lines. A command ends with a CR alone; a LF also ends a
// line, but that line is malformed whatever it holds, so the LF of a CR LF is a malformed line
// of its own and a sender ending lines with CR LF or LF shows up at once. A CR with nothing
// before it is an empty line. A line that grows past kMaxLineLength is reported once as
// overlong when it overflows, and its remaining bytes are dropped up to the next line end, so
// a sender that never ends a line cannot make the buffer grow. A CAN (0x18) right before the CR
// cancels the line: a sender that had to drop a command it had started ends it that way.
// Every byte belongs to exactly one reported line, so the byte counts of the lines add up to
// the bytes pushed.
class LineAssembler {
public:
    static constexpr std::size_t kMaxLineLength = 64;

    enum class Kind {
        Text,          // ended by a CR alone: a command if it parses
        Empty,         // a CR with nothing before it
        LineFeed,      // ended by a LF: malformed
        Overlong,      // grew past kMaxLineLength: malformed, reported when it overflows
        OverlongRest,  // the rest of an overlong line, up to its end: no line of its own
        Cut,           // unfinished when the stream ended
        Cancelled,     // ended by CAN CR: the sender dropped what it had started
    };

    struct Line {
        Kind kind = Kind::Text;
        std::string text;       // without the line end (and a cancelled line's CAN)
        std::size_t bytes = 0;  // bytes of the stream that this report accounts for
    };

    // Takes one byte; returns a line when this byte completes one or overflows it.
    std::optional<Line> Push(char byte);

    // The stream ends (the connection went): an unfinished line, or the rest of an overlong one.
    std::optional<Line> Finish();

private:
    std::optional<Line> take(Kind kind, std::size_t extra);

    std::string m_text;
    bool m_overlong = false;
    std::size_t m_restBytes = 0;
};

}  // namespace encoder_sim
