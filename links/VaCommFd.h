#pragma once

#include <unistd.h>

#include <utility>

// Sole owner of a file descriptor; closes it when reset or destroyed.
class VaUniqueFd {
public:
    VaUniqueFd() = default;
    explicit VaUniqueFd(int fd) : m_fd(fd) {}
    ~VaUniqueFd() { reset(); }
    VaUniqueFd(VaUniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    VaUniqueFd& operator=(VaUniqueFd&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.m_fd, -1));
        }
        return *this;
    }
    VaUniqueFd(const VaUniqueFd&) = delete;
    VaUniqueFd& operator=(const VaUniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd = -1;
};
