#pragma once

#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "encoder_sim_policy.h"

namespace encoder_tool {

struct Options {
    bool pty = false;
    std::uint16_t port = 0;
    std::string bind = "127.0.0.1";
    std::optional<int> com;
    std::vector<encoder_sim::Phase> phases;
    encoder_sim::ReplyTiming timing;
    std::string output;   // empty: standard output
    std::string summary;  // empty: standard error
    double quitAfterSeconds = 0;
    std::int64_t quitAfterGroups = 0;
};

struct OptionsParse {
    Options options;
    std::string error;  // empty when the command line is valid
};

// Parses the command line; --help and --version print and exit the process.
[[nodiscard]] OptionsParse ParseOptions(const QStringList& arguments);

}  // namespace encoder_tool
