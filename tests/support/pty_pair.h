#pragma once

#include <termios.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace test_support {

// A pseudo-terminal standing in for a serial device: the port under test opens the slave
// side by its path, and the test plays the far end on the master side.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // Writes every byte to the master side; false if it could not.
    bool writeMaster(std::string_view bytes);
    // Reads from the master side until `count` bytes came or `timeout` passed.
    std::string readMaster(std::size_t count, std::chrono::milliseconds timeout);
    // Throws away whatever the port has written so far.
    void drainMaster();
    // A reader that stops: fills the master's input from the slave side with '#' until no byte
    // more fits, so that the port's next write finds no room. Returns how many bytes it wrote.
    std::size_t fillFromSlave();
    // The far end going away: the slave side hangs up.
    void closeMaster();
    termios slaveSettings() const;

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

// Polls `done` every few milliseconds, running the Qt events of this thread in between,
// until it holds or `timeout` has passed; returns its last value.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

}  // namespace test_support
