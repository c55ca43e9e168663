#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iostream>
#include <memory>

#include "encoder_driver.h"
#include "encoder_options.h"
#include "encoder_pty.h"
#include "encoder_tcp.h"

namespace {

using encoder_tool::Options;

int g_signalPipeWrite = -1;

void onQuitSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_signalPipeWrite, &byte, 1);
    errno = saved;
}

// SIGINT and SIGTERM end the event loop cleanly through a self-pipe, so that the summary is
// written and the COM link removed.
class QuitOnSignals {
public:
    QuitOnSignals() {
        int fds[2];
        if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe: " + links::SystemErrorText(errno));
        }
        m_read.reset(fds[0]);
        m_write.reset(fds[1]);
        g_signalPipeWrite = m_write.get();
        m_notifier = std::make_unique<QSocketNotifier>(m_read.get(), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [] { QCoreApplication::quit(); });
        struct sigaction action {};
        action.sa_handler = onQuitSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    ~QuitOnSignals() {
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        m_notifier->setEnabled(false);
    }

private:
    links::UniqueFd m_read;
    links::UniqueFd m_write;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

std::unique_ptr<encoder_tool::Endpoint> makeEndpoint(const Options& options) {
    if (!options.pty) {
        auto tcp = std::make_unique<encoder_tool::TcpEndpoint>(options.bind, options.port);
        std::cout << "# listening on " << tcp->Description() << std::endl;
        return tcp;
    }
    auto pty = std::make_unique<encoder_tool::PtyEndpoint>(options.com);
    std::cout << "# pty " << pty->SlavePath() << std::endl;
    if (options.com) {
        std::cout << "# COM" << *options.com << ": " << pty->ComLinkPath() << " -> "
                  << pty->SlavePath() << std::endl;
    }
    pty->OnNewDevice = [](const std::string& path) { std::cout << "# pty " << path << std::endl; };
    return pty;
}

void writeSummary(const Options& options, const std::string& text) {
    if (options.summary.empty()) {
        std::cerr << text << std::flush;
        return;
    }
    std::ofstream file(options.summary);
    file << text;
}

int run(const Options& options) {
    std::ofstream file;
    if (!options.output.empty()) {
        file.open(options.output);
        if (!file) {
            std::cerr << "tolvane-encoder: cannot write " << options.output << std::endl;
            return 1;
        }
    }
    encoder_sim::Recorder recorder(options.output.empty() ? std::cout : file);
    encoder_sim::Session session(encoder_sim::ReplyPolicy(options.phases), options.timing,
                                 recorder);
    QuitOnSignals quitOnSignals;
    const auto endpoint = makeEndpoint(options);
    encoder_tool::Driver driver(session, recorder, *endpoint, options.quitAfterGroups);
    if (options.quitAfterSeconds > 0) {
        QTimer::singleShot(static_cast<int>(options.quitAfterSeconds * 1000), Qt::PreciseTimer,
                           [] { QCoreApplication::quit(); });
    }
    QCoreApplication::exec();
    // A connection still open ends with the simulator: its unfinished line is counted too.
    session.Disconnect();
    writeSummary(options, recorder.Summary());
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("tolvane-encoder");
    const encoder_tool::OptionsParse parsed = encoder_tool::ParseOptions(app.arguments());
    if (!parsed.error.empty()) {
        std::cerr << "tolvane-encoder: " << parsed.error << " (see --help)" << std::endl;
        return 2;
    }
    try {
        return run(parsed.options);
    } catch (const std::exception& error) {
        std::cerr << "tolvane-encoder: " << error.what() << std::endl;
        return 1;
    }
}
