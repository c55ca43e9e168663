#pragma once

#include <windows.h>

namespace win32_icon {

// Owns an icon handle and destroys it with itself.
class IconOwner {
public:
    explicit IconOwner(HICON icon = nullptr) : m_icon(icon) {}
    ~IconOwner();
    IconOwner(const IconOwner&) = delete;
    IconOwner& operator=(const IconOwner&) = delete;
    HICON Get() const { return m_icon; }

private:
    HICON m_icon;
};

// The window's icon at `size` pixels, the picture that the Linux window shows: a mast sending
// two arcs of waves to the right, on a rounded blue tile. nullptr when the system cannot make it.
HICON DrawTolvaneIcon(int size);

}  // namespace win32_icon
