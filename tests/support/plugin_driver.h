#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// A host's view of the plug-in, the same on every platform: the library loaded beside its
// settings store, its four exports, and its window's controls found by their names. Linux
// drives the Qt window of tolvane.so, Windows the Win32 window of tolvane.dll; the tests that
// use this run unchanged on both.
namespace blackbox {

// The record that RDSGroup takes: three host fields, then blocks 1 to 4.
struct GroupRecord {
    int32_t fields[7];
};
static_assert(sizeof(GroupRecord) == 28);

GroupRecord Group(int32_t block1, int32_t block2, int32_t block3, int32_t block4);

class PluginDriver {
public:
    PluginDriver();
    // Unloads the plug-in if it is still loaded.
    ~PluginDriver();
    PluginDriver(const PluginDriver&) = delete;
    PluginDriver& operator=(const PluginDriver&) = delete;

    // Loads the plug-in; false with the loader's message in LoadError() when it cannot.
    bool Load();
    void Unload();
    std::string LoadError() const;

    const char* PluginName() const;
    // Creates the instance; false when the plug-in returned none.
    bool Initialize(int32_t hostValue = 42);
    void Command(const char* text, int32_t workspace = 0) const;
    void RDSGroup(const GroupRecord& group) const;

    // Controls by name. A radio group's items are chosen by index; the group list CLBSHOW and
    // the mask grid SGMASK by item and cell. A control that is missing fails the test.
    std::string Text(const char* name) const;
    void SetText(const char* name, const std::string& text) const;
    bool Enabled(const char* name) const;
    // A click as a user makes it: nothing happens on a disabled button.
    void Click(const char* name) const;
    bool Ticked(const char* name) const;
    void SetTicked(const char* name, bool ticked) const;
    int SelectedItem(const char* radioGroup) const;
    void SelectItem(const char* radioGroup, int index) const;
    int ComboIndex(const char* name) const;
    void SetComboIndex(const char* name, int index) const;
    bool GroupTicked(int item) const;
    void TickGroup(int item, bool ticked) const;
    std::string MaskCell(int row, int column) const;
    void SetMaskCell(int row, int column, const std::string& text) const;

    bool Visible() const;
    // The window's top-left corner on the screen, as {left, top}.
    std::pair<int, int> Position() const;
    void Move(int left, int top) const;

private:
    struct Platform;
    std::unique_ptr<Platform> m_platform;
};

// Runs the calling thread's event loop (timers, socket notifications, messages) until done()
// holds or the time is up; returns done() at the end.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));
void PumpFor(std::chrono::milliseconds period);

// Measures how long the event loop leaves work waiting: a thread posts a stamped event to the
// loop every millisecond, and the loop notes how late each one is handled.
class LoopLatencyProbe {
public:
    LoopLatencyProbe();
    ~LoopLatencyProbe();
    LoopLatencyProbe(const LoopLatencyProbe&) = delete;
    LoopLatencyProbe& operator=(const LoopLatencyProbe&) = delete;

    // Stops posting; the figures below are final afterwards.
    void Stop();
    double MaxMs() const;
    double PercentileMs(double fraction) const;
    std::size_t Count() const;

private:
    struct Platform;
    // Written only on the loop's thread, by the events the poster stamped.
    std::vector<int64_t> m_latenciesUs;
    std::unique_ptr<Platform> m_platform;
};

// Runs `body` in a process set up as a host's: with a Qt application on Linux, as it is on
// Windows; returns what body returns.
int RunAsHost(int argc, char** argv, const std::function<int()>& body);

// Starts the platform's socket layer for the test's own sockets, once per process (WinSock on
// Windows; nothing to do elsewhere).
void KeepSocketLayerUp();

// Microseconds of a steady clock, for stamps that two threads compare.
int64_t NowUs();

}  // namespace blackbox
