#include "support/plugin_fixture.h"

#include <QLabel>
#include <QListWidget>
#include <QTableWidget>

std::string PluginPath() {
    return TOLVANE_PLUGIN_PATH;
}
std::string KovadexPath() {
    return TOLVANE_KOVADEX_PATH;
}

HostGroupRecord Group(int32_t block1, int32_t block2, int32_t block3, int32_t block4, int32_t host1,
                      int32_t host2, int32_t host3) {
    return HostGroupRecord{{host1, host2, host3, block1, block2, block3, block4}};
}

void PluginTest::SetUp() {
    ASSERT_TRUE(plugin.Load(PluginPath())) << plugin.Error();
    window = static_cast<QWidget*>(plugin.Initialize(0, 42));
    ASSERT_NE(window, nullptr);
}

void PluginTest::TearDown() {
    plugin.Unload();
}

QString PluginTest::Text(const char* labelName) const {
    const auto* label = Find<QLabel>(labelName);
    return label == nullptr ? QString() : label->text();
}

void PluginTest::Tick(int entry, bool ticked) const {
    Find<QListWidget>("CLBSHOW")->item(entry)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void PluginTest::SetMaskCell(int row, int column, const QString& text) const {
    Find<QTableWidget>("SGMASK")->item(row, column)->setText(text);
}
