#pragma once

#include <string>
#include <vector>

namespace test_support {

struct ChildOutcome {
    int status = -1;     // as waitpid reports it
    std::string output;  // standard output, and standard error when asked for
};

// Runs the program `arguments[0]` with the arguments, waits for it and collects its output.
// The child runs on Qt's offscreen platform unless the caller chose another. A non-zero
// `signalOnOutput` is sent to the child once its first output has arrived.
ChildOutcome RunChild(const std::vector<std::string>& arguments, bool withStandardError,
                      int signalOnOutput = 0);

}  // namespace test_support
