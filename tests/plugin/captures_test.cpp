#include <QDir>
#include <QLabel>
#include <fstream>

#include "group_text.h"
#include "support/plugin_fixture.h"

namespace {

class PluginCaptures : public PluginTest {};

// Real off-air groups, where the captures folder is present beside the project.
TEST_F(PluginCaptures, OffAirGroupsAreCountedAndQueuedByType) {
    const QString path = QDir(TOLVANE_CAPTURES_DIR).filePath("test-vectors.hex");
    std::ifstream in(path.toStdString());
    if (!in) {
        GTEST_SKIP() << "no captures at " << path.toStdString();
    }
    const GroupFile file = ReadGroups(in);
    ASSERT_FALSE(file.groups.empty());
    EXPECT_EQ(file.rejectedLines, 0);

    Tick(4);  // 2A, RadioText
    int radioText = 0;
    for (const HostGroupRecord& group : file.groups) {
        radioText += (group.fields[4] >> 11) == 4 ? 1 : 0;
        Send(group);
    }
    const auto total = static_cast<int>(file.groups.size());
    EXPECT_EQ(Text("LR"), QString::number(total));
    EXPECT_EQ(Text("LW"), QString::number(radioText));
    EXPECT_EQ(Text("LF"), QString::number(total - radioText));
    EXPECT_EQ(Text("LE"), "LE");
}

}  // namespace
