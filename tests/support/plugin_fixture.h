#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <ostream>
#include <string>

#include "plugin_library.h"

class QLabel;

// Test messages show a text as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

std::string PluginPath();
std::string KovadexPath();

HostGroupRecord Group(int32_t block1, int32_t block2, int32_t block3, int32_t block4,
                      int32_t host1 = 0, int32_t host2 = 0, int32_t host3 = 0);

// Loads the plug-in, creates its instance and unloads it again after the test.
class PluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    template <typename Widget>
    Widget* Find(const char* name) const {
        auto* widget = window->findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << "no control named " << name;
        return widget;
    }
    QString Text(const char* labelName) const;
    void Send(const HostGroupRecord& group) const { plugin.RDSGroup(&group); }
    void Tick(int entry, bool ticked = true) const;
    void SetMaskCell(int row, int column, const QString& text) const;

    PluginLibrary plugin;
    QWidget* window = nullptr;
};
