#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "plugin_library.h"

// Splits a byte stream of group text into lines as the bytes arrive and hands on each group
// at once; comments and blank lines are skipped, and every other line that is no group is
// reported with its number (from 1) and counted. Memory stays bounded whatever arrives: a line
// longer than kMaxLineLength is reported once and skipped up to its end.
class GroupLineReader {
public:
    static constexpr std::size_t kMaxLineLength = 1024;

    std::function<void(const HostGroupRecord&)> OnGroup;
    std::function<void(std::int64_t lineNumber, std::string_view reason)> OnRejected;

    void Feed(std::string_view bytes);
    // End of input: a last line without a line end still counts.
    void Finish();

    [[nodiscard]] std::int64_t Lines() const { return m_lineNumber; }
    [[nodiscard]] std::int64_t Groups() const { return m_groups; }
    [[nodiscard]] std::int64_t Rejected() const { return m_rejected; }

private:
    void EndLine();

    std::string m_line;
    bool m_tooLong = false;
    std::int64_t m_lineNumber = 0;
    std::int64_t m_groups = 0;
    std::int64_t m_rejected = 0;
};
