#pragma once

#include <functional>
#include <string>

class QObject;
class QString;

// What both link units share: the descriptor owner, errno's text, and the event types through
// which a link reports to its owner.

// Events are bound by the owner and called with the component as Sender; an empty one is skipped.
using TNotifyEvent = std::function<void(QObject* Sender)>;

// The one error channel from a link to its owner for failures that have no caller to throw to:
// what escaped from a handler run by a timer tick, a notification or a line event, or a failure
// of the link's own machinery. The link stays usable; Message is a text a person can act on.
using TLinkExceptionEvent = std::function<void(QObject* Sender, const QString& Message)>;

namespace links {

// Sole owner of one file descriptor. close() reports the errno of a failed close; the
// descriptor is gone either way (Linux releases it even when close reports an error).
class UniqueFd {
public:
    UniqueFd() noexcept = default;
    explicit UniqueFd(int fd) noexcept : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { close(); }

    [[nodiscard]] int get() const noexcept { return m_fd; }
    [[nodiscard]] bool valid() const noexcept { return m_fd >= 0; }
    int release() noexcept;
    // Closes the descriptor held (if any) and takes fd.
    void reset(int fd = -1) noexcept;
    // Closes and forgets the descriptor; returns 0 or the errno of a failed close.
    int close() noexcept;

private:
    int m_fd = -1;
};

// The system's own description of an errno value ("Broken pipe").
[[nodiscard]] std::string SystemErrorText(int errnum);

}  // namespace links
