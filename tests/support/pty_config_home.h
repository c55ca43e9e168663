#pragma once

#include <string>

namespace test_support {

// Points XDG_CONFIG_HOME of this process at a fresh temporary folder for its lifetime, so that
// a test can link COM port names to pseudo-terminals in the port map without touching $HOME.
class PtyConfigHome {
public:
    PtyConfigHome();
    ~PtyConfigHome();
    PtyConfigHome(const PtyConfigHome&) = delete;
    PtyConfigHome& operator=(const PtyConfigHome&) = delete;

    const std::string& path() const { return m_path; }
    // The port map folder inside it, created on first use.
    std::string mapFolder() const;
    // Makes COMn name target; replaces an earlier link of the same name.
    void linkPort(int n, const std::string& target) const;

private:
    std::string m_path;
    bool m_hadPrevious = false;
    std::string m_previous;
};

}  // namespace test_support
