// Prints, per send mode, the groups per second that reach a loopback encoder against the
// nominal rate of the mode, and how long the host's event loop left a posted event waiting
// while the plug-in sent. Built for Linux (tolvane.so) and Windows (tolvane.dll):
//     pacing_probe [--seconds S]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/loopback_encoder.h"
#include "support/plugin_driver.h"

namespace {

using namespace std::chrono_literals;
using blackbox::Group;
using blackbox::LoopbackEncoder;
using blackbox::PluginDriver;

struct Mode {
    const char* name;
    bool bidirectional;
    bool limit;
    int speedIndex;
    const char* reply;
    double nominalPerSecond;
};

const Mode kModes[] = {
    {"88 ms (4800 bps)", false, false, 2, "", 1000.0 / 88},
    {"130 ms (2400 bps)", false, false, 1, "", 1000.0 / 130},
    {"260 ms (1200 bps)", false, false, 0, "", 1000.0 / 260},
    {"260 ms (rate limit)", false, true, 2, "", 1000.0 / 260},
    {"bidirectional, no reply", true, false, 2, "", 1000.0 / 260},
    {"bidirectional, acknowledged", true, false, 2, "\r\n+\r\n\r\n", 1000.0 / 60},
};

void Connect(const PluginDriver& driver, const LoopbackEncoder& encoder, const Mode& mode) {
    for (int item = 0; item < 32; ++item) {
        driver.TickGroup(item, true);
    }
    driver.SelectItem("RGCON", 1);
    driver.SelectItem("RGSPEED", mode.speedIndex);
    driver.SetText("EHOST", "127.0.0.1");
    driver.SetText("EPORT", std::to_string(encoder.Port()));
    driver.SetTicked("CBBIDI", mode.bidirectional);
    driver.SetTicked("CBLIMIT", mode.limit);
    driver.Click("BUPDATE");
}

// The event loop's waits with the plug-in loaded and nothing to send: the floor of the table.
bool MeasureIdle(double seconds) {
    PluginDriver driver;
    if (!driver.Load() || !driver.Initialize()) {
        std::fprintf(stderr, "cannot load the plug-in: %s\n", driver.LoadError().c_str());
        return false;
    }
    blackbox::LoopLatencyProbe probe;
    blackbox::PumpFor(std::chrono::milliseconds(static_cast<int>(seconds * 1000)));
    probe.Stop();
    std::printf("| %-28s | %8s | %8s | %6s | %6s | %9.2f | %9.2f | %7zu |\n",
                "idle (nothing to send)", "-", "-", "-", "-", probe.MaxMs(),
                probe.PercentileMs(0.99), probe.Count());
    return true;
}

// One row of the table; false when the plug-in could not be driven at all.
bool MeasureMode(const Mode& mode, double seconds) {
    PluginDriver driver;
    if (!driver.Load() || !driver.Initialize()) {
        std::fprintf(stderr, "cannot load the plug-in: %s\n", driver.LoadError().c_str());
        return false;
    }
    LoopbackEncoder encoder;
    encoder.AnswerEachCommandWith(mode.reply);
    Connect(driver, encoder, mode);
    if (!encoder.Accept()) {
        std::fprintf(stderr, "%s: the plug-in did not connect (status line \"%s\")\n", mode.name,
                     driver.Text("StatusBar1").c_str());
        return false;
    }
    blackbox::PumpFor(200ms);
    const int groups = static_cast<int>(mode.nominalPerSecond * seconds) + 2;
    blackbox::LoopLatencyProbe probe;
    for (int i = 0; i < groups + 4; ++i) {
        driver.RDSGroup(Group(0x1234, 0x8000, i, 0));
    }
    encoder.WaitForBytes(static_cast<std::size_t>(groups) * 15,
                         std::chrono::milliseconds(static_cast<int>(seconds * 4000)));
    probe.Stop();
    const blackbox::CommandPace pace = blackbox::PaceOfGroupCommands(encoder.Arrivals());
    std::printf("| %-28s | %8.2f | %8.2f | %5.1f%% | %6d | %9.2f | %9.2f | %7zu |\n", mode.name,
                mode.nominalPerSecond, pace.GroupsPerSecond(),
                100.0 * pace.GroupsPerSecond() / mode.nominalPerSecond, pace.groups, probe.MaxMs(),
                probe.PercentileMs(0.99), probe.Count());
    driver.Unload();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 3;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0) {
            seconds = std::atof(argv[i + 1]);
        }
    }
    return blackbox::RunAsHost(argc, argv, [seconds] {
        std::printf("| %-28s | %8s | %8s | %6s | %6s | %9s | %9s | %7s |\n", "mode", "nominal",
                    "achieved", "ratio", "groups", "wait max", "wait p99", "stamps");
        std::printf(
            "|%s|---------:|---------:|-------:|-------:|----------:|----------:|--------:|\n",
            std::string(30, '-').c_str());
        if (!MeasureIdle(seconds)) {
            return 1;
        }
        for (const Mode& mode : kModes) {
            if (!MeasureMode(mode, seconds)) {
                return 1;
            }
        }
        return 0;
    });
}
