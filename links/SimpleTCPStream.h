#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The bytes of one readable notification, positioned at their start; it belongs to the link and
// lives only while the OnRead handler runs.
class TSimpleTCPStream {
public:
    explicit TSimpleTCPStream(std::string_view bytes) noexcept : m_bytes(bytes) {}

    [[nodiscard]] int64_t Size() const noexcept { return static_cast<int64_t>(m_bytes.size()); }
    [[nodiscard]] int64_t Position() const noexcept { return static_cast<int64_t>(m_position); }
    // Moves within the bytes; a position outside them is taken as the nearest end.
    void SetPosition(int64_t Value) noexcept;
    // Copies up to Count bytes from the position on and moves past them; returns the count.
    int Read(void* Buffer, int Count) noexcept;
    // The bytes from the position to the end, which it moves to.
    std::string ReadAll();

private:
    std::string_view m_bytes;
    size_t m_position = 0;
};
