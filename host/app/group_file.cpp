#include "group_file.h"

#include <cstdio>
#include <fstream>

#include "group_text.h"

std::optional<std::vector<HostGroupRecord>> ReadGroupFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "tolvane-host: cannot read %s\n", path.c_str());
        return std::nullopt;
    }
    std::vector<HostGroupRecord> groups;
    GroupLineReader reader;
    reader.OnGroup = [&](const HostGroupRecord& group) { groups.push_back(group); };
    reader.OnRejected = [&](int64_t line, std::string_view reason) {
        if (reader.Rejected() <= kMaxReportedLines) {
            std::fprintf(stderr, "tolvane-host: %s line %lld skipped: %.*s\n", path.c_str(),
                         static_cast<long long>(line), static_cast<int>(reason.size()),
                         reason.data());
        }
    };
    std::vector<char> chunk(1 << 16);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        reader.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(in.gcount())));
    }
    reader.Finish();
    ReportRejectedTotal(reader.Rejected());
    return groups;
}

void ReportRejectedStreamLines(GroupLineReader& reader) {
    reader.OnRejected = [&reader](int64_t line, std::string_view reason) {
        if (reader.Rejected() <= kMaxReportedLines) {
            std::fprintf(stderr, "tolvane-host: line %lld skipped: %.*s\n",
                         static_cast<long long>(line), static_cast<int>(reason.size()),
                         reason.data());
        }
        if (reader.Rejected() == kMaxReportedLines) {
            std::fprintf(stderr, "tolvane-host: further bad lines are counted only\n");
        }
    };
}

void ReportRejectedTotal(std::int64_t rejected) {
    if (rejected > 0) {
        std::fprintf(stderr, "tolvane-host: %lld lines were no group and were skipped\n",
                     static_cast<long long>(rejected));
    }
}

int WriteSampleFile(const std::string& path) {
    std::ofstream out(path);
    out << "# Sample groups of a made-up station, written by tolvane-host --write-sample\n";
    for (const HostGroupRecord& group : SampleGroups(342)) {
        out << FormatGroupLine(group) << '\n';
    }
    return out ? 0 : 1;
}
