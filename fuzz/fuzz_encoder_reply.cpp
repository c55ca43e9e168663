// The encoder's reply stream, as the reply poll examines it.
// Properties: the reply text recognises exactly the acknowledgements a plain search finds (seven
// bytes CR LF "+" CR LF CR LF, all after the last command written or the last acknowledgement);
// the receive text gives back, in order, of each piece that arrives the bytes that fit beside
// those not yet taken, and counts the rest, also beyond its capacity of 64 KiB, where it
// compacts its storage.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "output/encoder_reply.h"

namespace {

using encoder_output::kEncoderAck;
using encoder_output::TcpReceiveText;

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

std::string Repeated(std::string_view pattern, std::size_t length) {
    std::string text;
    if (pattern.empty()) {
        return text;
    }
    text.reserve(length + pattern.size());
    while (text.size() < length) {
        text.append(pattern);
    }
    return text;
}

// Feeds the stream in pieces of 1 to 97 bytes, taking `share` quarters of each piece's size
// out after it, and checks the result against a model of the bound: of each piece the text
// keeps what fits into its capacity beside the bytes not yet taken, and drops the rest. With
// `drain` the bytes still held are taken at the end too.
void CheckReceiveText(std::string_view stream, std::size_t share, bool drain) {
    TcpReceiveText text;
    std::string out;
    std::string kept;
    out.reserve(stream.size());
    kept.reserve(stream.size());
    std::size_t held = 0;
    for (std::size_t at = 0; at < stream.size(); at += 1 + at % 97) {
        const std::string_view piece = stream.substr(at, 1 + at % 97);
        text.Append(piece);
        const std::size_t fits = std::min(piece.size(), TcpReceiveText::kCapacity - held);
        kept.append(piece.substr(0, fits));
        held += fits;
        Require(text.Size() == held);
        for (std::size_t take = 0; take < piece.size() * share / 4 && !text.Empty(); ++take) {
            out.push_back(text.Take());
            --held;
        }
    }
    while (drain && !text.Empty()) {
        out.push_back(text.Take());
    }
    Require(std::string_view(kept).substr(0, out.size()) == out);
    Require(out.size() + text.Size() == kept.size());
    Require(kept.size() + text.Dropped() == stream.size());
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

    // The receive text drops and compacts only beyond its capacity: it also takes the input
    // repeated past that, so that those paths see the fuzzer's bytes. Taking none drops beyond
    // 64 KiB; taking some compacts. The bytes still held stay untaken there, to keep it quick.
    const std::size_t share = size > 0 ? data[0] % 3 : 1;
    CheckReceiveText(stream, share, true);
    CheckReceiveText(Repeated(stream, TcpReceiveText::kCapacity * 5 / 4), share, false);
    return 0;
}
