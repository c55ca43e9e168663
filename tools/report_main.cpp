// The main job's report: what was fed, what the plug-in counted, what the encoder received,
// and one verdict line on whether every selected group reached the encoder in order and
// bit-exact, with no malformed line, empty line or cut command in the encoder's summary. Exits 1
// when the verdict fails, 2 on bad arguments or unreadable files.
//
//   tolvane-report --groups FED --received LINES --types 1A,3A,... [--keep-pi 0|1]
//                  [--keep-pty 0|1] [--keep-tp 0|1] [--summary FILE] [--statistics FILE]
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "encoder_sim_summary.h"
#include "group_text.h"
#include "main_job_check.h"

namespace {

std::map<std::string, std::string> Arguments(int argc, char** argv) {
    std::map<std::string, std::string> values;
    for (int i = 1; i + 1 < argc; i += 2) {
        values[argv[i]] = argv[i + 1];
    }
    return values;
}

std::vector<std::string> Lines(const std::string& path, bool skipComments) {
    std::ifstream in(path);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!(skipComments && !line.empty() && line[0] == '#')) {
            lines.push_back(line);
        }
    }
    return lines;
}

// What the simulator's summary shows that the plug-in, a correct sender, must never cause.
std::vector<std::string> SenderFaults(std::map<std::string, std::string>& args) {
    if (args["--summary"].empty()) {
        return {};
    }
    std::string text;
    for (const std::string& line : Lines(args["--summary"], false)) {
        text += line + '\n';
    }
    return encoder_sim::SenderFaults(text);
}

void PrintSection(const char* title, const std::vector<std::string>& lines, std::size_t most) {
    std::cout << title << '\n';
    for (std::size_t i = 0; i < lines.size() && i < most; ++i) {
        std::cout << "  " << lines[i] << '\n';
    }
}

int Report(std::map<std::string, std::string>& args) {
    const auto types = main_job::ParseTypes(args["--types"]);
    if (!types || args["--groups"].empty() || args["--received"].empty()) {
        std::cerr << "tolvane-report: --groups, --received and --types are needed\n";
        return 2;
    }
    const main_job::Selection selection{*types, args["--keep-pi"] != "0", args["--keep-pty"] != "0",
                                        args["--keep-tp"] != "0"};
    std::ifstream fedFile(args["--groups"]);
    const GroupFile fed = ReadGroups(fedFile);
    const std::vector<std::string> received = Lines(args["--received"], true);
    const auto expected = main_job::ExpectedLines(fed.groups, selection);

    std::cout << "Groups fed to the plug-in: " << fed.groups.size() << " from " << args["--groups"]
              << " (selected by the filter: " << expected.size() << ")\n";
    if (!args["--statistics"].empty()) {
        PrintSection("The plug-in's statistics:", Lines(args["--statistics"], false), 20);
    }
    if (!args["--summary"].empty()) {
        PrintSection("What the encoder received:", Lines(args["--summary"], false), 20);
    }
    PrintSection("Its first groups (PI, blocks 2 to 4):", received, 5);
    const main_job::Verdict verdict =
        main_job::JudgeWithSenderFaults(main_job::Judge(expected, received), SenderFaults(args));
    std::cout << verdict.text << std::endl;
    return verdict.pass ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    auto args = Arguments(argc, argv);
    try {
        return Report(args);
    } catch (const std::exception& error) {
        std::cerr << "tolvane-report: " << error.what() << '\n';
        return 2;
    }
}
