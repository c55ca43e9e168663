#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>

namespace test_support {

namespace {

[[noreturn]] void ExecChild(const std::vector<std::string>& arguments, int outFd,
                            bool withStandardError) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    dup2(outFd, STDOUT_FILENO);
    if (withStandardError) {
        dup2(outFd, STDERR_FILENO);
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

}  // namespace

ChildOutcome RunChild(const std::vector<std::string>& arguments, bool withStandardError,
                      int signalOnOutput) {
    ChildOutcome outcome;
    int pipeFds[2];
    if (arguments.empty() || pipe2(pipeFds, O_CLOEXEC) != 0) {
        return outcome;
    }
    const pid_t child = fork();
    if (child == 0) {
        ExecChild(arguments, pipeFds[1], withStandardError);
    }
    close(pipeFds[1]);
    std::array<char, 4096> buffer{};
    ssize_t got = 0;
    while ((got = read(pipeFds[0], buffer.data(), buffer.size())) > 0) {
        outcome.output.append(buffer.data(), static_cast<std::size_t>(got));
        if (signalOnOutput != 0 && child > 0) {
            kill(child, signalOnOutput);
            signalOnOutput = 0;
        }
    }
    close(pipeFds[0]);
    if (child > 0) {
        waitpid(child, &outcome.status, 0);
    }
    return outcome;
}

}  // namespace test_support
