#include "encoder_pty.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "VaCommDeviceMap.h"

namespace encoder_tool {
namespace {

constexpr int kProbeIntervalMs = 20;
// Time an orderly close leaves the peer to read the last answers before the line hangs up.
constexpr int kCloseGraceMs = 100;

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + links::SystemErrorText(errno));
}

// Raw mode for the slave side (set through the master): no echo, no line buffering and no
// CR or LF translation. VMIN 1 so that a non-blocking read of an empty slave gives EAGAIN.
void makeRaw(int master) {
    termios settings{};
    if (tcgetattr(master, &settings) != 0) {
        fail("tcgetattr");
    }
    cfmakeraw(&settings);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (tcsetattr(master, TCSANOW, &settings) != 0) {
        fail("tcsetattr");
    }
}

std::string slavePath(int master) {
    char name[128] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name)) {
        fail("pseudo-terminal slave");
    }
    return name;
}

}  // namespace

ComLink::ComLink(int port, const std::string& target) {
    const std::filesystem::path folder = va_device_map::DeviceMapFolder();
    std::filesystem::create_directories(folder);
    m_path = (folder / ("com" + std::to_string(port))).string();
    Retarget(target);
}

ComLink::~ComLink() {
    std::error_code ignored;
    std::filesystem::remove(m_path, ignored);
}

void ComLink::Retarget(const std::string& target) {
    std::error_code ignored;
    std::filesystem::remove(m_path, ignored);
    std::filesystem::create_symlink(target, m_path);
}

PtyEndpoint::PtyEndpoint(std::optional<int> comPort) {
    openDevice();
    if (comPort) {
        m_link.emplace(*comPort, m_slavePath);
    }
    m_probe.setInterval(kProbeIntervalMs);
    QObject::connect(&m_probe, &QTimer::timeout, &m_probe, [this] { probe(); });
    m_probe.start();
    m_closeGrace.setSingleShot(true);
    QObject::connect(&m_closeGrace, &QTimer::timeout, &m_closeGrace, [this] {
        try {
            replaceDevice();
        } catch (const std::exception& error) {
            std::cerr << "tolvane-encoder: " << error.what() << std::endl;
            QCoreApplication::exit(1);
        }
    });
}

PtyEndpoint::~PtyEndpoint() {
    m_probe.stop();
    m_closeGrace.stop();
    if (m_master) {
        m_master->Stop();
    }
}

void PtyEndpoint::EndPeer(bool reset) {
    m_master->SetReading(false);
    if (reset) {
        replaceDevice();
    } else {
        m_closeGrace.start(kCloseGraceMs);
    }
}

void PtyEndpoint::replaceDevice() {
    passOnUnread();
    m_master->Stop();
    if (OnPeerGone) {
        OnPeerGone();
    }
    m_master.reset();
    openDevice();
    if (m_link) {
        m_link->Retarget(m_slavePath);
    }
    if (OnNewDevice) {
        OnNewDevice(m_slavePath);
    }
    m_probe.start();
}

void PtyEndpoint::openDevice() {
    links::UniqueFd master(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!master.valid()) {
        fail("posix_openpt");
    }
    m_slavePath = slavePath(master.get());
    makeRaw(master.get());
    // Opening and closing the slave once puts the master into its hung-up state, so that the
    // first open by a peer is seen the same way as every later one.
    links::UniqueFd slave(::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave.valid()) {
        fail("open " + m_slavePath);
    }
    slave.close();
    m_master = ChannelPtr(new Channel(std::move(master), false));
    m_master->Stop();
    m_master->OnHangUp = [this] { slaveHungUp(); };
}

// What the peer wrote and was not read yet must not reach the next peer; it is still counted.
void PtyEndpoint::passOnUnread() {
    const std::string unread = m_master->Drain();
    // A copy, because the handler may end the peer and clear OnBytes while it runs.
    if (const auto onBytes = m_master->OnBytes; onBytes && !unread.empty()) {
        onBytes(unread);
    }
}

void PtyEndpoint::probe() {
    // Bytes waiting while the line is hung up come from a peer that opened, wrote and closed
    // between two probes: it is served too, and its hang-up follows once they are read.
    pollfd watch{m_master->fd(), POLLIN, 0};
    if (::poll(&watch, 1, 0) < 0) {
        return;
    }
    if ((watch.revents & POLLHUP) != 0 && (watch.revents & POLLIN) == 0) {
        return;
    }
    m_probe.stop();
    m_master->Restart();
    if (OnPeer) {
        OnPeer(*m_master);
    }
}

void PtyEndpoint::slaveHungUp() {
    passOnUnread();
    if (OnPeerGone) {
        OnPeerGone();
    }
    if (!m_closeGrace.isActive()) {
        m_probe.start();
    }
}

}  // namespace encoder_tool
