#include "encoder_options.h"

#include <QCommandLineParser>

namespace encoder_tool {
namespace {

using encoder_sim::Fault;
using encoder_sim::Phase;

void addOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "Stands in for an RDS encoder: takes PI= and G= commands over TCP or a pseudo-terminal, "
        "answers them and writes each group as a group-text line.");
    parser.addHelpOption();
    parser.addOptions({
        {"tcp", "Listen on TCP port PORT (0: any free port; printed).", "PORT"},
        {"bind", "Address to listen on (default 127.0.0.1).", "ADDRESS", "127.0.0.1"},
        {"pty", "Open a pseudo-terminal and print its path."},
        {"com", "With --pty: link COMN to it in the port map.", "N"},
        {"reply", "none, ack, delayed, split, double, echo or foreign (default ack).", "MODE",
         "ack"},
        {"delay", "Wait in delayed mode, in ms (default 100).", "MS", "100"},
        {"split-gap", "Gap between the two writes in split mode, in ms (default 10).", "MS", "10"},
        {"close-after", "Close the connection after N commands.", "N"},
        {"reset-after", "Reset the connection after N commands.", "N"},
        {"stop-reading", "Stop reading after N commands (0: from the start).", "N"},
        {"stop-for", "Read again after MS ms (default: not until the peer goes).", "MS", "0"},
        {"cycle", "Rotate answers and faults: MODE:N[+close|reset|stop],...", "PHASES"},
        {"output", "Write group lines to FILE instead of standard output.", "FILE"},
        {"summary", "Write the summary to FILE instead of standard error.", "FILE"},
        {"quit-after", "Quit after SECONDS.", "SECONDS"},
        {"quit-after-groups", "Quit after N groups.", "N"},
    });
}

std::optional<std::int64_t> number(const QCommandLineParser& parser, const QString& name,
                                   std::int64_t max, std::string& error) {
    bool ok = false;
    const qlonglong value = parser.value(name).toLongLong(&ok);
    if (!ok || value < 0 || value > max) {
        error =
            "--" + name.toStdString() + " needs a whole number from 0 to " + std::to_string(max);
        return std::nullopt;
    }
    return value;
}

// The single phase of the reply mode and at most one fault option.
std::vector<Phase> singlePhase(const QCommandLineParser& parser, std::string& error) {
    Phase phase;
    const auto mode = encoder_sim::ReplyModeFromName(parser.value("reply").toStdString());
    if (!mode) {
        error = "unknown --reply mode";
        return {};
    }
    phase.reply = *mode;
    int faults = 0;
    for (const auto& [name, fault] :
         {std::pair{"close-after", Fault::Close}, std::pair{"reset-after", Fault::Reset},
          std::pair{"stop-reading", Fault::StopReading}}) {
        if (!parser.isSet(name)) {
            continue;
        }
        ++faults;
        const auto count = number(parser, name, encoder_sim::kForever - 1, error);
        phase.commands = count.value_or(0);
        phase.fault = fault;
    }
    if (faults > 1) {
        error = "use at most one of --close-after, --reset-after and --stop-reading";
    }
    return {phase};
}

void readTiming(const QCommandLineParser& parser, Options& options, std::string& error) {
    constexpr std::int64_t kMaxMs = 3'600'000;
    options.timing.delay =
        std::chrono::milliseconds(number(parser, "delay", kMaxMs, error).value_or(0));
    options.timing.splitGap =
        std::chrono::milliseconds(number(parser, "split-gap", kMaxMs, error).value_or(0));
    options.timing.stopFor =
        std::chrono::milliseconds(number(parser, "stop-for", kMaxMs, error).value_or(0));
}

void readTransport(const QCommandLineParser& parser, Options& options, std::string& error) {
    options.pty = parser.isSet("pty");
    if (options.pty == parser.isSet("tcp")) {
        error = "give either --tcp PORT or --pty";
        return;
    }
    if (parser.isSet("tcp")) {
        options.port = static_cast<std::uint16_t>(number(parser, "tcp", 65535, error).value_or(0));
    }
    options.bind = parser.value("bind").toStdString();
    if (parser.isSet("com")) {
        const auto com = number(parser, "com", 255, error);
        if (!options.pty || com.value_or(0) < 1) {
            error = "--com needs --pty and a port number from 1 to 255";
        }
        options.com = static_cast<int>(com.value_or(1));
    }
}

void readRun(const QCommandLineParser& parser, Options& options, std::string& error) {
    options.output = parser.value("output").toStdString();
    options.summary = parser.value("summary").toStdString();
    if (parser.isSet("quit-after")) {
        bool ok = false;
        options.quitAfterSeconds = parser.value("quit-after").toDouble(&ok);
        if (!ok || options.quitAfterSeconds <= 0 || options.quitAfterSeconds > 2'000'000) {
            error = "--quit-after needs a positive number of seconds";
        }
    }
    if (parser.isSet("quit-after-groups")) {
        options.quitAfterGroups =
            number(parser, "quit-after-groups", encoder_sim::kForever - 1, error).value_or(0);
    }
}

}  // namespace

OptionsParse ParseOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    addOptions(parser);
    parser.process(arguments);
    OptionsParse result;
    if (!parser.positionalArguments().isEmpty()) {
        result.error = "unexpected argument " + parser.positionalArguments().first().toStdString();
    }
    readTransport(parser, result.options, result.error);
    readTiming(parser, result.options, result.error);
    readRun(parser, result.options, result.error);
    const bool faultOption = parser.isSet("close-after") || parser.isSet("reset-after") ||
                             parser.isSet("stop-reading") || parser.isSet("reply");
    if (parser.isSet("cycle") && faultOption) {
        result.error =
            "--cycle sets the answers and faults itself; leave out --reply, "
            "--close-after, --reset-after and --stop-reading";
    } else if (parser.isSet("cycle")) {
        auto cycle = encoder_sim::ParseCycle(parser.value("cycle").toStdString());
        result.options.phases = std::move(cycle.phases);
        if (!cycle.error.empty()) {
            result.error = cycle.error;
        }
    } else {
        result.options.phases = singlePhase(parser, result.error);
    }
    return result;
}

}  // namespace encoder_tool
