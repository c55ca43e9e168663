#include "VaCommKeptOutput.h"

int VaKeptOutput::Flush(const TWrite& writeNow) {
    int written = 0;
    while (!m_bytes.empty()) {
        const int taken = writeNow(m_bytes.data(), static_cast<int>(m_bytes.size()));
        if (taken <= 0) {
            break;
        }
        m_bytes.erase(0, static_cast<std::size_t>(taken));
        written += taken;
    }
    return written;
}

VaKeptOutput::TOutcome VaKeptOutput::Write(const char* data, int count, const TWrite& writeNow,
                                           const TWrite& writeWithin) {
    TOutcome outcome;
    outcome.written = Flush(writeNow);
    if (!m_bytes.empty() || count <= 0) {
        return outcome;
    }
    const int taken = writeWithin(data, count);
    outcome.written += taken;
    m_bytes.assign(data + taken, static_cast<std::size_t>(count - taken));
    outcome.result = count;
    return outcome;
}
