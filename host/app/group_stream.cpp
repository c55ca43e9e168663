#include "group_stream.h"

#include "group_text.h"

void GroupLineReader::Feed(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view part = bytes.substr(0, end);
        if (!m_tooLong) {
            if (m_line.size() + part.size() > kMaxLineLength) {
                m_tooLong = true;
                m_line.clear();
            } else {
                m_line.append(part);
            }
        }
        if (end == std::string_view::npos) {
            return;
        }
        EndLine();
        bytes.remove_prefix(end + 1);
    }
}

void GroupLineReader::Finish() {
    if (!m_line.empty() || m_tooLong) {
        EndLine();
    }
}

void GroupLineReader::EndLine() {
    ++m_lineNumber;
    const bool tooLong = m_tooLong;
    std::string line;
    line.swap(m_line);
    m_tooLong = false;
    if (tooLong) {
        ++m_rejected;
        if (OnRejected) {
            OnRejected(m_lineNumber, "line too long");
        }
        return;
    }
    if (IsBlankOrComment(line)) {
        return;
    }
    if (const auto group = ParseGroupLine(line)) {
        ++m_groups;
        if (OnGroup) {
            OnGroup(*group);
        }
        return;
    }
    ++m_rejected;
    if (OnRejected) {
        OnRejected(m_lineNumber, "not four hexadecimal blocks");
    }
}
