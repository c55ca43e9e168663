#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The encoder's answers: the acknowledgement and the bounded queue of received TCP bytes.
namespace encoder_output {

// CR LF "+" CR LF CR LF, compared byte for byte.
inline constexpr std::string_view kEncoderAck = "\r\n+\r\n\r\n";

// The reply text gathered since the last command, as far as the match needs it: only its last
// seven characters are ever compared, so only they are kept, whatever an encoder sends.
class ReplyText {
public:
    // Appends one character; true when the text now ends with the acknowledgement.
    bool Append(char c);
    void Clear() noexcept { m_tail.clear(); }
    [[nodiscard]] std::string_view Tail() const noexcept { return m_tail; }

private:
    std::string m_tail;
};

// Bytes received over TCP and not yet examined, oldest first. It holds at most kCapacity
// bytes: what arrives beyond that is dropped and counted, so a flooding peer cannot grow it,
// and every byte it keeps is examined in arrival order.
class TcpReceiveText {
public:
    static constexpr std::size_t kCapacity = 64 * 1024;

    void Append(std::string_view bytes);
    [[nodiscard]] bool Empty() const noexcept { return m_next == m_bytes.size(); }
    [[nodiscard]] std::size_t Size() const noexcept { return m_bytes.size() - m_next; }
    // The oldest byte; only when not Empty().
    char Take();
    void Clear() noexcept;
    [[nodiscard]] uint64_t Dropped() const noexcept { return m_dropped; }

private:
    std::string m_bytes;
    std::size_t m_next = 0;
    uint64_t m_dropped = 0;
};

}  // namespace encoder_output
