#pragma once

#include <functional>
#include <memory>
#include <string>

// What the link units share on Windows, where there is no Qt: the root class of the components,
// which events pass as Sender, the event types, and the system's error texts. Texts are bytes in
// the process's ANSI code page, as the Win32 "A" calls take and give them.

// A named component. Its name plays the part of a Qt object name on Linux: tests and error
// reports find the component by it.
class TComponent {
public:
    TComponent() = default;
    virtual ~TComponent() = default;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    [[nodiscard]] const std::string& Name() const noexcept { return m_name; }
    void SetName(std::string name) { m_name = std::move(name); }

    // Expires when the component is destroyed: a caller that runs a handler keeps a copy and
    // checks it afterwards, because the handler may have destroyed the component.
    [[nodiscard]] std::weak_ptr<const void> AliveToken() const noexcept { return m_alive; }

private:
    std::string m_name;
    std::shared_ptr<const void> m_alive = std::make_shared<int>(0);
};

// Events are bound by the owner and called with the component as Sender; an empty one is skipped.
using TNotifyEvent = std::function<void(TComponent* Sender)>;

// The one error channel from a link to its owner for failures that have no caller to throw to:
// what escaped from a handler run by a timer tick, a notification or a line event, or a failure
// of the link's own machinery. The link stays usable; Message is a text a person can act on.
using TLinkExceptionEvent = std::function<void(TComponent* Sender, const std::string& Message)>;

namespace links {

// The system's own description of a Win32 or WinSock error code, without a trailing line break.
[[nodiscard]] std::string SystemErrorText(unsigned long code);

}  // namespace links
