#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "LinkCommon.h"

namespace {

using namespace std::chrono_literals;

const std::string kAck = "\r\n+\r\n\r\n";

// The simulator as a child process, stopped with SIGTERM as a person would with Ctrl+C.
class EncoderProcess {
public:
    EncoderProcess(const QStringList& arguments, const QProcessEnvironment& environment =
                                                     QProcessEnvironment::systemEnvironment()) {
        m_process.setProcessEnvironment(environment);
        m_process.start(TOLVANE_ENCODER_PATH, arguments);
        m_started = m_process.waitForStarted(5000);
    }
    ~EncoderProcess() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    // The rest of the first stdout line that starts with `prefix`.
    std::string awaitLine(const std::string& prefix) {
        while (m_started && m_process.waitForReadyRead(5000)) {
            while (m_process.canReadLine()) {
                const std::string line = m_process.readLine().trimmed().toStdString();
                if (line.starts_with(prefix)) {
                    return line.substr(prefix.size());
                }
            }
        }
        return {};
    }

    // Stops the program; its standard output (after the awaited line) and standard error.
    std::pair<std::string, std::string> stop() {
        m_process.terminate();
        EXPECT_TRUE(m_process.waitForFinished(5000));
        EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(m_process.exitCode(), 0);
        return {m_process.readAllStandardOutput().toStdString(),
                m_process.readAllStandardError().toStdString()};
    }

private:
    QProcess m_process;
    bool m_started = false;
};

// Up to `count` bytes, or fewer when the peer closes, fails or `limit` passes.
std::string readUpTo(int fd, std::size_t count, std::chrono::milliseconds limit) {
    std::string bytes;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
        pollfd watch{fd, POLLIN, 0};
        if (poll(&watch, 1, 20) <= 0) {
            continue;
        }
        char buffer[256];
        const ssize_t got = ::read(fd, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (got <= 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

void writeAll(int fd, const std::string& bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

links::UniqueFd connectLoopback(const std::string& listening) {
    const int port = std::stoi(listening.substr(listening.rfind(':') + 1));
    links::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(EncoderProgramTcp, AnswersValidCommandsRecordsGroupsAndSummarises) {
    EncoderProcess encoder({"--tcp", "0"});
    const std::string listening = encoder.awaitLine("# listening on ");
    ASSERT_TRUE(listening.starts_with("127.0.0.1:")) << listening;
    links::UniqueFd client = connectLoopback(listening);
    writeAll(client.get(), "G=000100020003\rPI=D3A7\r\ng=00aa\rG=2400414243\nG=240041424344\r");
    EXPECT_EQ(readUpTo(client.get(), 3 * kAck.size(), 5s), kAck + kAck + kAck);
    const auto [output, summary] = encoder.stop();
    EXPECT_EQ(output, "---- 0001 0002 0003\nD3A7 2400 4142 4344\n");
    // The LF after "PI=D3A7\r" is a malformed line of its own, and so is the LF-ended group.
    EXPECT_TRUE(contains(summary, "commands: 3\ngroups: 2\npi commands: 1\nmalformed lines: 3\n"))
        << summary;
    EXPECT_TRUE(contains(summary, "command interval ms: min ")) << summary;
}

TEST(EncoderProgramTcp, StopsReadingAfterNCommandsAndReadsTheRestLater) {
    EncoderProcess encoder({"--tcp", "0", "--stop-reading", "1", "--stop-for", "300"});
    links::UniqueFd client = connectLoopback(encoder.awaitLine("# listening on "));
    const auto start = std::chrono::steady_clock::now();
    writeAll(client.get(), "PI=D3A7\rG=240041424344\r");
    EXPECT_EQ(readUpTo(client.get(), kAck.size(), 5s), kAck);
    EXPECT_EQ(readUpTo(client.get(), kAck.size(), 5s), kAck);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_TRUE(contains(encoder.stop().first, "D3A7 2400 4142 4344\n"));
}

struct FaultCase {
    std::string option;
    int expectedErrno;  // of the read after the answers: 0 for end of file
};

class EncoderProgramTcpFault : public testing::TestWithParam<FaultCase> {};

TEST_P(EncoderProgramTcpFault, EndsTheConnectionAfterNCommandsThenServesTheNext) {
    EncoderProcess encoder({"--tcp", "0", QString::fromStdString(GetParam().option), "2"});
    const std::string listening = encoder.awaitLine("# listening on ");
    links::UniqueFd first = connectLoopback(listening);
    writeAll(first.get(), "PI=D3A7\rG=240041424344\r");
    EXPECT_EQ(readUpTo(first.get(), 2 * kAck.size(), 5s), kAck + kAck);
    pollfd watch{first.get(), POLLIN, 0};
    ASSERT_EQ(poll(&watch, 1, 5000), 1);
    char byte = 0;
    const ssize_t got = ::recv(first.get(), &byte, 1, 0);
    EXPECT_EQ(got < 0 ? errno : static_cast<int>(got), GetParam().expectedErrno);
    first.close();
    links::UniqueFd second = connectLoopback(listening);
    writeAll(second.get(), "G=240041424345\r");
    EXPECT_EQ(readUpTo(second.get(), kAck.size(), 5s), kAck);
    EXPECT_TRUE(contains(encoder.stop().second, "connections: 2\n"));
}

INSTANTIATE_TEST_SUITE_P(Faults, EncoderProgramTcpFault,
                         testing::Values(FaultCase{"--close-after", 0},
                                         FaultCase{"--reset-after", ECONNRESET}),
                         [](const auto& p) { return p.param.option.substr(2, 5); });

class EncoderProgramTcpFaultInOneRead : public testing::TestWithParam<std::string> {};

TEST_P(EncoderProgramTcpFaultInOneRead, CountsWhatFollowsTheFaultInTheSameRead) {
    EncoderProcess encoder({"--tcp", "0", QString::fromStdString(GetParam()), "1"});
    links::UniqueFd client = connectLoopback(encoder.awaitLine("# listening on "));
    writeAll(client.get(), "PI=D3A7\rG=240041424344\rG=2400");
    EXPECT_EQ(readUpTo(client.get(), kAck.size() + 1, 5s), kAck);
    client.close();
    const auto [output, summary] = encoder.stop();
    EXPECT_EQ(output, "");
    EXPECT_TRUE(contains(summary, "commands: 1\ngroups: 0\n")) << summary;
    EXPECT_TRUE(contains(summary,
                         "cut commands: 0\nempty lines: 0\ncommands after fault: 1\n"
                         "bytes received: 29\nbytes in commands: 8\n"))
        << summary;
    EXPECT_TRUE(contains(summary, "bytes after fault: 21\n")) << summary;
}

INSTANTIATE_TEST_SUITE_P(Faults, EncoderProgramTcpFaultInOneRead,
                         testing::Values("--close-after", "--reset-after"),
                         [](const auto& p) { return p.param.substr(2, 5); });

TEST(EncoderProgramTcp, CountsACommandCutByTheEndOfTheConnection) {
    EncoderProcess encoder({"--tcp", "0"});
    const std::string listening = encoder.awaitLine("# listening on ");
    links::UniqueFd first = connectLoopback(listening);
    writeAll(first.get(), "PI=D3A7\rG=2400");
    EXPECT_EQ(readUpTo(first.get(), kAck.size(), 5s), kAck);
    first.close();
    // The next client is served only once the simulator has seen the first one go.
    links::UniqueFd second = connectLoopback(listening);
    writeAll(second.get(), "G=240041424344\r");
    EXPECT_EQ(readUpTo(second.get(), kAck.size(), 5s), kAck);
    const std::string summary = encoder.stop().second;
    EXPECT_TRUE(contains(summary, "commands: 2\n")) << summary;
    EXPECT_TRUE(contains(summary, "cut commands: 1\n")) << summary;
    EXPECT_TRUE(contains(summary, "bytes received: 29\n")) << summary;
    EXPECT_TRUE(contains(summary, "bytes in cut commands: 6\n")) << summary;
}

links::UniqueFd openRaw(const std::string& path) {
    links::UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios settings{};
    tcgetattr(fd.get(), &settings);
    cfmakeraw(&settings);
    tcsetattr(fd.get(), TCSANOW, &settings);
    return fd;
}

TEST(EncoderProgramPty, ServesThroughTheComLinkAgainAfterThePortIsReopened) {
    QTemporaryDir configHome;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", configHome.path());
    EncoderProcess encoder({"--pty", "--com", "5"}, environment);
    const std::string slave = encoder.awaitLine("# pty ");
    const std::filesystem::path link =
        std::filesystem::path(configHome.path().toStdString()) / "tolvane/comports/com5";
    ASSERT_EQ(std::filesystem::read_symlink(link).string(), slave);
    {
        links::UniqueFd port = openRaw(link.string());
        writeAll(port.get(), "PI=D3A7\rG=240041424344\r");
        EXPECT_EQ(readUpTo(port.get(), 2 * kAck.size(), 5s), kAck + kAck);
    }
    // A reopen faster than the simulator notices the hang-up would look like one connection.
    std::this_thread::sleep_for(200ms);
    {
        links::UniqueFd port = openRaw(link.string());
        writeAll(port.get(), "G=2400414243zz\rG=000100020003\r");
        EXPECT_EQ(readUpTo(port.get(), kAck.size(), 5s), kAck);
    }
    const auto [output, summary] = encoder.stop();
    EXPECT_TRUE(contains(output, "D3A7 2400 4142 4344\nD3A7 0001 0002 0003\n")) << output;
    EXPECT_TRUE(contains(summary, "malformed lines: 1\nconnections: 2\n")) << summary;
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(EncoderProgramPty, CountsACommandCutByAHangUp) {
    QTemporaryDir configHome;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", configHome.path());
    EncoderProcess encoder({"--pty"}, environment);
    const std::string slave = encoder.awaitLine("# pty ");
    {
        links::UniqueFd port = openRaw(slave);
        writeAll(port.get(), "PI=D3A7\rG=2400");
        EXPECT_EQ(readUpTo(port.get(), kAck.size(), 5s), kAck);
    }
    std::this_thread::sleep_for(200ms);
    {
        links::UniqueFd port = openRaw(slave);
        writeAll(port.get(), "G=240041424344\r");
        EXPECT_EQ(readUpTo(port.get(), kAck.size(), 5s), kAck);
    }
    const std::string summary = encoder.stop().second;
    EXPECT_TRUE(contains(summary, "cut commands: 1\n")) << summary;
    EXPECT_TRUE(contains(summary, "bytes in cut commands: 6\n")) << summary;
    EXPECT_TRUE(contains(summary, "connections: 2\n")) << summary;
}

TEST(EncoderProgramPty, CloseHangsTheLineUpAndMovesTheComLinkToAFreshDevice) {
    QTemporaryDir configHome;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", configHome.path());
    EncoderProcess encoder({"--pty", "--com", "6", "--close-after", "1"}, environment);
    const std::string first = encoder.awaitLine("# pty ");
    const std::filesystem::path link =
        std::filesystem::path(configHome.path().toStdString()) / "tolvane/comports/com6";
    links::UniqueFd port = openRaw(link.string());
    writeAll(port.get(), "G=240041424344\r");
    EXPECT_EQ(readUpTo(port.get(), kAck.size(), 5s), kAck);
    EXPECT_EQ(readUpTo(port.get(), 1, 5s), "");
    const std::string second = encoder.awaitLine("# pty ");
    EXPECT_NE(second, first);
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), second);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
