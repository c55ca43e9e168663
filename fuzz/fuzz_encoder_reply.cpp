// The encoder's reply stream, as the reply poll examines it.
// Properties: the reply text recognises exactly the acknowledgements a plain search finds (seven
// bytes CR LF "+" CR LF CR LF, all after the last command written or the last acknowledgement);
// the receive text gives back, in order, exactly the bytes it kept, and counts the rest.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "output/encoder_reply.h"

namespace {

using encoder_output::kEncoderAck;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// 0xFF in the input stands for a command written at that point, which empties the reply text.
constexpr char kCommandWritten = '\xff';

std::vector<std::size_t> ReferenceMatches(std::string_view stream) {
    std::vector<std::size_t> found;
    std::size_t since = 0;  // first byte that may belong to the next match
    for (std::size_t i = 0; i < stream.size(); ++i) {
        if (stream[i] == kCommandWritten) {
            since = i + 1;
            continue;
        }
        const std::size_t end = i + 1;
        if (end - since >= kEncoderAck.size() &&
            stream.substr(end - kEncoderAck.size(), kEncoderAck.size()) == kEncoderAck) {
            found.push_back(end);
            since = end;
        }
    }
    return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view stream(reinterpret_cast<const char*>(data), size);
    encoder_output::ReplyText reply;
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        if (stream[i] == kCommandWritten) {
            reply.Clear();
        } else if (reply.Append(stream[i])) {
            found.push_back(i + 1);
            reply.Clear();
        }
    }
    Require(found == ReferenceMatches(stream));

    encoder_output::TcpReceiveText text;
    std::string out;
    std::size_t offered = 0;
    for (std::size_t at = 0; at < stream.size(); at += 1 + at % 97) {
        const std::string_view piece = stream.substr(at, 1 + at % 97);
        text.Append(piece);
        offered += piece.size();
        for (std::size_t take = 0; take < piece.size() / 2 && !text.Empty(); ++take) {
            out.push_back(text.Take());
        }
    }
    while (!text.Empty()) {
        out.push_back(text.Take());
    }
    Require(out.size() + text.Dropped() == offered);
    Require(text.Size() <= encoder_output::TcpReceiveText::kCapacity);
    if (text.Dropped() == 0) {
        Require(out == stream);
    }
    return 0;
}
