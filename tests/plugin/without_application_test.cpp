#include <gtest/gtest.h>

#include <thread>

#include "plugin_library.h"

namespace {

// Creating a widget without a QApplication aborts the process; the plug-in has to refuse.
TEST(PluginWithoutApplication, InitializeRefusesAndTheOtherExportsDoNothing) {
    PluginLibrary plugin;
    ASSERT_TRUE(plugin.Load(TOLVANE_PLUGIN_PATH)) << plugin.Error();
    EXPECT_STREQ(plugin.PluginName(), "Tolvane");
    EXPECT_EQ(plugin.Initialize(0, 1), nullptr);
    const HostGroupRecord group{{0, 0, 0, 0x6204, 0x0130, 0x966B, 0x594C}};
    plugin.RDSGroup(&group);
    plugin.Command("SHOW", 0);
    plugin.Command("OPENWORKSPACE", 3);
    std::thread other([&] { EXPECT_EQ(plugin.Initialize(0, 1), nullptr); });
    other.join();
}

}  // namespace
