// tolvane-host.exe in a process of its own, started with CreateProcess from the folder that
// holds it, tolvane.dll and kovadex.dll. Its output goes to a file, not a pipe: under Wine a pipe
// can be held open by Wine's own processes long after the host ended.
#include <windows.h>

#include <gmock/gmock.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using namespace std::chrono_literals;

std::string BuildFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string file(path);
    return file.substr(0, file.find_last_of("\\/") + 1);
}

const std::string kHost = BuildFolder() + "tolvane-host.exe";
const std::string kPlugin = BuildFolder() + "tolvane.dll";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct HandleOwner {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ~HandleOwner() {
        if (handle != INVALID_HANDLE_VALUE && handle != nullptr) {
            CloseHandle(handle);
        }
    }
};

HANDLE InheritableFile(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string CommandLine(const std::vector<std::string>& arguments) {
    std::string line = '"' + kHost + '"';
    for (const std::string& argument : arguments) {
        line += " \"" + argument + '"';
    }
    return line;
}

struct Outcome {
    DWORD exitCode = STILL_ACTIVE;
    std::string output;
};

// Runs the host with `arguments` and standard input from `input` (a file or a pipe's read end,
// inheritable; the null device when none). `whileRunning` gets the process and the output read
// so far, every 50 ms, until the host ends; the host is killed after 30 s.
class HostRun {
public:
    Outcome Run(const std::vector<std::string>& arguments, HANDLE input = nullptr,
                const std::function<void(const PROCESS_INFORMATION&, const std::string&)>&
                    whileRunning = {}) {
        const std::string outputPath = m_folder.PathOf("output-" + std::to_string(++m_runs));
        HandleOwner output{InheritableFile(outputPath, GENERIC_WRITE, CREATE_ALWAYS)};
        HandleOwner nul{InheritableFile("NUL", GENERIC_READ, OPEN_EXISTING)};
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input != nullptr ? input : nul.handle;
        startup.hStdOutput = output.handle;
        startup.hStdError = output.handle;
        PROCESS_INFORMATION process{};
        std::string line = CommandLine(arguments);
        Outcome outcome;
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, m_creationFlags, nullptr,
                            nullptr, &startup, &process)) {
            ADD_FAILURE() << "CreateProcess failed with " << GetLastError();
            return outcome;
        }
        HandleOwner thread{process.hThread};
        HandleOwner owner{process.hProcess};
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
            if (std::chrono::steady_clock::now() > deadline) {
                TerminateProcess(process.hProcess, 99);
                ADD_FAILURE() << "the host did not end within 30 s";
            } else if (whileRunning) {
                whileRunning(process, ReadFile(outputPath));
            }
        }
        GetExitCodeProcess(process.hProcess, &outcome.exitCode);
        outcome.output = ReadFile(outputPath);
        return outcome;
    }

    const test_support::TempFolder& Folder() const { return m_folder; }
    // CreateProcess's flags for the next runs.
    void SetCreationFlags(DWORD flags) { m_creationFlags = flags; }

private:
    DWORD m_creationFlags = 0;
    test_support::TempFolder m_folder;
    int m_runs = 0;
};

// Closes the host's own (hidden) window as a user closes a shown one, once it has said that it
// runs.
void CloseHostWindowOnceLoaded(const PROCESS_INFORMATION& process, const std::string& output) {
    if (output.find("loaded ") == std::string::npos) {
        return;
    }
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"TolvaneHostWindow", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process.dwProcessId) {
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
    }
}

TEST(ReferenceHostWin32, LoadsThePluginNamedByItsOption) {
    HostRun host;
    const Outcome outcome = host.Run({"--plugin", kPlugin, "--quit-after", "0.1"});
    EXPECT_EQ(outcome.exitCode, 0u) << outcome.output;
    EXPECT_THAT(outcome.output, HasSubstr("loaded " + kPlugin + ": Tolvane"));
    EXPECT_THAT(outcome.output, HasSubstr("Groups received (total):"));
}

TEST(ReferenceHostWin32, LoadsThePluginBesideItselfByDefault) {
    HostRun host;
    const Outcome outcome = host.Run({"--quit-after", "0"});
    EXPECT_EQ(outcome.exitCode, 0u) << outcome.output;
    EXPECT_THAT(outcome.output, HasSubstr("tolvane.dll: Tolvane"));
}

constexpr char kBadInput[] =
    "6204 0130 966B 594C\n6204 0130 966B\n6204 GGGG 0000 0000\r\n\n6204 0130 966B 594C";

void ExpectBadLinesReportedAndGoodOnesFed(const Outcome& outcome) {
    EXPECT_EQ(outcome.exitCode, 0u) << outcome.output;
    EXPECT_THAT(outcome.output, HasSubstr("line 2 skipped: not four hexadecimal blocks"));
    EXPECT_THAT(outcome.output, HasSubstr("line 3 skipped: not four hexadecimal blocks"));
    EXPECT_THAT(outcome.output, HasSubstr("2 lines were no group and were skipped"));
    EXPECT_THAT(outcome.output, HasSubstr("Groups received (total):                 2"));
}

// Standard input read to its end from a file, and from a pipe whose writer closes it after
// the last line, the way a decoder's stream ends.
TEST(ReferenceHostWin32, ReportsBadInputLinesByNumberAndReadsOnToTheEnd) {
    HostRun host;
    const std::string inputPath = host.Folder().PathOf("input.txt");
    std::ofstream(inputPath, std::ios::binary) << kBadInput;
    HandleOwner file{InheritableFile(inputPath, GENERIC_READ, OPEN_EXISTING)};
    ExpectBadLinesReportedAndGoodOnesFed(
        host.Run({"--plugin", kPlugin, "--groups", "-"}, file.handle));

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HandleOwner reader;
    HandleOwner writer;
    ASSERT_TRUE(CreatePipe(&reader.handle, &writer.handle, &inherit, 0));
    // Only the read end goes to the host, or the host would hold a writer of its own input.
    SetHandleInformation(writer.handle, HANDLE_FLAG_INHERIT, 0);
    bool written = false;
    ExpectBadLinesReportedAndGoodOnesFed(
        host.Run({"--plugin", kPlugin, "--groups", "-"}, reader.handle,
                 [&](const PROCESS_INFORMATION&, const std::string& output) {
                     if (!written && output.find("loaded ") != std::string::npos) {
                         DWORD count = 0;
                         WriteFile(writer.handle, kBadInput, sizeof kBadInput - 1, &count, nullptr);
                         CloseHandle(std::exchange(writer.handle, INVALID_HANDLE_VALUE));
                         written = true;
                     }
                 }));
}

TEST(ReferenceHostWin32, APluginThatIsNotThereIsOneMessageAndAFailure) {
    HostRun host;
    const Outcome outcome = host.Run({"--plugin", "C:\\nonexistent\\tolvane.dll"});
    EXPECT_NE(outcome.exitCode, 0u);
    EXPECT_THAT(outcome.output, HasSubstr("tolvane-host: C:\\nonexistent\\tolvane.dll: "));
    EXPECT_EQ(std::count(outcome.output.begin(), outcome.output.end(), '\n'), 1) << outcome.output;
}

TEST(ReferenceHostWin32, RefusesAQuitAfterOutsideItsRange) {
    HostRun host;
    for (const char* seconds :
         {"2147484", "2147483.648", "1e12", "-1", "-0.5", "nan", "inf", "soon", ""}) {
        const Outcome outcome =
            host.Run({"--plugin", kPlugin, "--groups", "NUL", "--quit-after", seconds});
        EXPECT_EQ(outcome.exitCode, 2u) << seconds << outcome.output;
        EXPECT_THAT(outcome.output,
                    HasSubstr("tolvane-host: --quit-after takes seconds from 0 to 2147483"))
            << seconds;
        EXPECT_THAT(outcome.output, Not(HasSubstr("loaded "))) << seconds;
    }
}

// The longest time the host accepts still ends it: here closing its window ends it first.
TEST(ReferenceHostWin32, AcceptsTheLongestQuitAfter) {
    HostRun host;
    for (const char* seconds : {"2147483", "2147483.647"}) {
        const Outcome outcome = host.Run({"--plugin", kPlugin, "--quit-after", seconds}, nullptr,
                                         CloseHostWindowOnceLoaded);
        EXPECT_EQ(outcome.exitCode, 0u) << seconds << outcome.output;
        EXPECT_THAT(outcome.output, HasSubstr("Groups received (total):")) << seconds;
    }
}

class ReferenceHostWin32Workspace : public ::testing::Test {
protected:
    Outcome Run(std::vector<std::string> extra,
                const std::function<void(const PROCESS_INFORMATION&, const std::string&)>&
                    whileRunning = {}) {
        std::vector<std::string> arguments = {"--plugin", kPlugin, "--workspace-file", m_path};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return m_host.Run(arguments, nullptr, whileRunning);
    }

    HostRun m_host;
    std::string m_path = m_host.Folder().PathOf("host.ini");
};

// The stored host name survives a run: loaded, restored into the window, saved again.
TEST_F(ReferenceHostWin32Workspace, RestoresAtStartAndSavesOnQuit) {
    std::ofstream(m_path) << "[General]\nformat=kovadex-workspace-1\n[tolvane]\n"
                             "Host=@ByteArray(encoder.lan)\nVisible=0\n";
    const Outcome outcome = Run({"--quit-after", "0.2", "--command", "RESETDATA"});
    ASSERT_EQ(outcome.exitCode, 0u) << outcome.output;
    EXPECT_THAT(ReadFile(m_path), HasSubstr("Host=@ByteArray(encoder.lan)"));
    EXPECT_THAT(ReadFile(m_path), HasSubstr("Mask34=@ByteArray(" + std::string(16, '?') + ")"));
}

TEST_F(ReferenceHostWin32Workspace, SavesWhenItsWindowIsClosed) {
    const Outcome outcome = Run({}, CloseHostWindowOnceLoaded);
    EXPECT_EQ(outcome.exitCode, 0u) << outcome.output;
    EXPECT_THAT(ReadFile(m_path), HasSubstr("RebroadcastGroup34=0"));
}

// Ctrl+Break reaches a console process group; the host then ends as when its window closes.
// The test shares a console of its own with the host when it runs without one.
TEST_F(ReferenceHostWin32Workspace, SavesWhenBrokenFromTheConsole) {
    if (GetConsoleWindow() == nullptr) {
        AllocConsole();
    }
    m_host.SetCreationFlags(CREATE_NEW_PROCESS_GROUP);
    bool sent = false;
    DWORD refused = 0;
    const Outcome outcome =
        Run({}, [&](const PROCESS_INFORMATION& process, const std::string& output) {
            if (!sent && output.find("loaded ") != std::string::npos) {
                sent = true;
                if (!GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, process.dwProcessId)) {
                    refused = GetLastError();
                    TerminateProcess(process.hProcess, 98);
                }
            }
        });
    // Wine without a terminal gives the processes no console that passes the event on.
    if (refused != 0) {
        GTEST_SKIP() << "GenerateConsoleCtrlEvent failed with system error " << refused;
    }
    EXPECT_EQ(outcome.exitCode, 0u) << outcome.output;
    EXPECT_THAT(ReadFile(m_path), HasSubstr("RebroadcastGroup34=0"));
}

TEST_F(ReferenceHostWin32Workspace, RefusesAFileItCannotLoadAndLeavesItAlone) {
    std::ofstream(m_path, std::ios::binary) << "[tolvane]\nTop=1\n";
    const Outcome outcome = Run({"--quit-after", "0.2"});
    EXPECT_EQ(outcome.exitCode, 2u) << outcome.output;
    EXPECT_THAT(outcome.output, HasSubstr("is not a workspace file"));
    EXPECT_EQ(ReadFile(m_path), "[tolvane]\nTop=1\n");
}

}  // namespace
