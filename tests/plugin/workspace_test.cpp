#include <gmock/gmock.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <climits>

#include "support/plugin_fixture.h"
#include "support/pty_pair.h"
#include "support/recording_settings_store.h"
#include "support/tcp_test_server.h"

namespace {

using namespace std::chrono_literals;
using test_support::RecordedSettingsCalls;
using test_support::SettingsCall;
using ::testing::ElementsAreArray;

const char* const kBoxes[] = {"CBBIDI", "CBLIMIT", "CBKEEPPI", "CBKEEPPTY", "CBKEEPTP"};

class Workspace : public PluginTest {
protected:
    void SetUp() override {
        test_support::ResetSettingsStore();
        PluginTest::SetUp();
    }

    int CheckedItem(const char* radioGroup) const {
        const auto buttons = Find<QGroupBox>(radioGroup)->findChildren<QRadioButton*>();
        for (int i = 0; i < buttons.size(); ++i) {
            if (buttons.at(i)->isChecked()) {
                return i;
            }
        }
        return -1;
    }

    // Every control that the workspace keeps, as one text per control.
    QStringList Controls() const {
        QStringList state{QString("at %1,%2").arg(window->x()).arg(window->y()),
                          window->isVisible() ? "shown" : "hidden",
                          QString("RGCON %1").arg(CheckedItem("RGCON")),
                          QString("CBCOMP %1").arg(Find<QComboBox>("CBCOMP")->currentIndex()),
                          QString("RGSPEED %1").arg(CheckedItem("RGSPEED")),
                          Find<QLineEdit>("EHOST")->text(),
                          Find<QLineEdit>("EPORT")->text()};
        for (const char* box : kBoxes) {
            state << QString("%1 %2").arg(box).arg(Find<QCheckBox>(box)->isChecked());
        }
        auto* grid = Find<QTableWidget>("SGMASK");
        for (int cell = 0; cell < 9; ++cell) {
            state << grid->item(cell / 3 + 1, cell % 3 + 1)->text();
        }
        QString ticks;
        auto* list = Find<QListWidget>("CLBSHOW");
        for (int item = 0; item < 35; ++item) {
            ticks += list->item(item)->checkState() == Qt::Checked ? '1' : '0';
        }
        return state << ticks;
    }

    // "SaveInteger Top" for each recorded call, after checking its workspace and section.
    std::vector<std::string> CallsAndKeys(int32_t workspace, const std::string& section) const {
        std::vector<std::string> result;
        for (const SettingsCall& call : RecordedSettingsCalls()) {
            EXPECT_EQ(call.workspace, workspace) << call.Line();
            EXPECT_EQ(call.section, section) << call.Line();
            result.push_back(call.function + ' ' + call.key);
        }
        return result;
    }
};

std::vector<std::string> ExpectedCalls(const char* integerCall, const char* textCall) {
    std::vector<std::string> calls;
    for (const char* key : {"Top", "Left", "Visible", "ConnectionType", "Bidirectional", "Limit",
                            "KeepPI", "KeepPTY", "KeepTP", "SerialPort", "PortSpeed"}) {
        calls.push_back(std::string(integerCall) + ' ' + key);
    }
    calls.push_back(std::string(textCall) + " Host");
    calls.push_back(std::string(textCall) + " Port");
    std::vector<std::string> groups;
    for (int item = 0; item < 35; ++item) {
        groups.push_back(std::string(integerCall) + " RebroadcastGroup" + std::to_string(item));
    }
    std::vector<std::string> masks;
    for (const char* key : {"Mask12", "Mask13", "Mask14", "Mask22", "Mask23", "Mask24", "Mask32",
                            "Mask33", "Mask34"}) {
        masks.push_back(std::string(textCall) + ' ' + key);
    }
    // Saving writes the group ticks before the mask cells; restoring reads them after.
    const bool saving = std::string(integerCall) == "SaveInteger";
    calls.insert(calls.end(), saving ? groups.begin() : masks.begin(),
                 saving ? groups.end() : masks.end());
    calls.insert(calls.end(), saving ? masks.begin() : groups.begin(),
                 saving ? masks.end() : groups.end());
    return calls;
}

TEST_F(Workspace, SaveWritesEveryKeyInItsOrder) {
    plugin.Command("SAVEWORKSPACE", 7);
    EXPECT_THAT(CallsAndKeys(7, "tolvane"),
                ElementsAreArray(ExpectedCalls("SaveInteger", "SavePChar")));
    const auto& calls = RecordedSettingsCalls();
    RecordProperty("calls", static_cast<int>(calls.size()));
    RecordProperty("first", calls.front().Line());
    RecordProperty("last", calls.back().Line());
}

TEST_F(Workspace, OpenOnAnEmptyWorkspaceRestoresEveryDefault) {
    plugin.Command("OPENWORKSPACE", 8);
    EXPECT_THAT(CallsAndKeys(8, "tolvane"),
                ElementsAreArray(ExpectedCalls("LoadInteger", "LoadPChar")));
    std::vector<std::string> defaults;
    for (const SettingsCall& call : RecordedSettingsCalls()) {
        defaults.push_back(call.value);
    }
    const std::vector<std::string> first13 = {"185", "63", "1", "2", "1",         "1", "1",
                                              "1",   "1",  "0", "1", "127.0.0.1", "23"};
    EXPECT_THAT(std::vector<std::string>(defaults.begin(), defaults.begin() + 13),
                ElementsAreArray(first13));
    const QString q16 = "????????????????";
    EXPECT_THAT(Controls(), ElementsAreArray(QStringList{"at 63,185",
                                                         "shown",
                                                         "RGCON 2",
                                                         "CBCOMP 0",
                                                         "RGSPEED 1",
                                                         "127.0.0.1",
                                                         "23",
                                                         "CBBIDI 1",
                                                         "CBLIMIT 1",
                                                         "CBKEEPPI 1",
                                                         "CBKEEPPTY 1",
                                                         "CBKEEPTP 1",
                                                         q16,
                                                         q16,
                                                         q16,
                                                         q16,
                                                         q16,
                                                         q16,
                                                         q16,
                                                         q16,
                                                         q16,
                                                         "00110011"
                                                         "0" +
                                                             QString(22, '1') +
                                                             "0"
                                                             "000"}));
    EXPECT_EQ(Text("LSTART"), "0:00:00");
}

TEST_F(Workspace, HostileStoredValuesFollowTheRestoreRules) {
    using test_support::StoreInteger;
    using test_support::StoreText;
    StoreInteger(9, "tolvane", "Top", INT_MIN);
    StoreInteger(9, "tolvane", "Left", INT_MAX);
    StoreInteger(9, "tolvane", "Visible", 2);
    StoreInteger(9, "tolvane", "ConnectionType", 7);
    StoreInteger(9, "tolvane", "KeepPI", 2);
    StoreInteger(9, "tolvane", "SerialPort", 99999);
    StoreInteger(9, "tolvane", "PortSpeed", -5);
    StoreInteger(9, "tolvane", "RebroadcastGroup2", INT_MIN);
    StoreText(9, "tolvane", "Port", "99999999999");
    StoreText(9, "tolvane", "Host", std::string(1000, 'h'));
    StoreText(9, "tolvane", "Mask12", std::string(100000, '1'));
    plugin.Command("OPENWORKSPACE", 9);

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window->pos(), QPoint((screen.width() - window->frameGeometry().width()) / 2,
                                    (screen.height() - window->frameGeometry().height()) / 2));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(CheckedItem("RGCON"), 2);
    EXPECT_EQ(CheckedItem("RGSPEED"), -1);
    EXPECT_EQ(Find<QComboBox>("CBCOMP")->currentIndex(), -1);
    EXPECT_FALSE(Find<QCheckBox>("CBKEEPPI")->isChecked());
    EXPECT_FALSE(Find<QListWidget>("CLBSHOW")->item(2)->checkState() == Qt::Checked);
    EXPECT_EQ(Find<QLineEdit>("EPORT")->text(), "99999999999");
    EXPECT_EQ(Find<QLineEdit>("EHOST")->text(), QString(255, 'h'));
    EXPECT_EQ(Find<QTableWidget>("SGMASK")->item(1, 1)->text().size(), 100000);

    test_support::RecordedSettingsCalls().clear();
    plugin.Command("SAVEWORKSPACE", 9);
    for (const SettingsCall& call : RecordedSettingsCalls()) {
        EXPECT_LE(call.value.size(), 255U) << call.key;
    }
}

const char* const kTextKeys[] = {"Host",   "Port",   "Mask12", "Mask13", "Mask14", "Mask22",
                                 "Mask23", "Mask24", "Mask32", "Mask33", "Mask34"};

// The value that SAVEWORKSPACE handed to the store for the key.
std::string SavedText(const std::string& key) {
    for (const SettingsCall& call : RecordedSettingsCalls()) {
        if (call.function == "SavePChar" && call.key == key) {
            return call.value;
        }
    }
    return "(not saved)";
}

struct EightBitCase {
    const char* name;
    std::string stored;
    QString shown;
};

class WorkspaceEightBitText : public Workspace,
                              public ::testing::WithParamInterface<EightBitCase> {};

// Every text field: a stored text that is not UTF-8 is shown byte by byte as Windows-1252,
// and saved again with its own bytes while nobody edits it.
TEST_P(WorkspaceEightBitText, ComesBackWithTheSameBytesWhenUnedited) {
    for (const char* key : kTextKeys) {
        test_support::StoreText(2, "tolvane", key, GetParam().stored);
    }
    plugin.Command("OPENWORKSPACE", 2);
    EXPECT_EQ(Find<QLineEdit>("EHOST")->text(), GetParam().shown);
    EXPECT_EQ(Find<QLineEdit>("EPORT")->text(), GetParam().shown);
    EXPECT_EQ(Find<QTableWidget>("SGMASK")->item(3, 3)->text(), GetParam().shown);
    RecordedSettingsCalls().clear();
    plugin.Command("SAVEWORKSPACE", 2);
    for (const char* key : kTextKeys) {
        EXPECT_EQ(SavedText(key), GetParam().stored) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WorkspaceEightBitText,
    ::testing::Values(
        EightBitCase{"Host", "\xe9t\xe9.example", QString::fromUtf8("\xc3\xa9t\xc3\xa9.example")},
        EightBitCase{"Port", "7\xff", QString::fromUtf8("7\xc3\xbf")},
        EightBitCase{"MaskCell", "10\xb0?", QString::fromUtf8("10\xc2\xb0?")},
        EightBitCase{"WindowsQuotes", "\x93x\x94\x81",
                     QString::fromUtf8("\xe2\x80\x9cx\xe2\x80\x9d\xc2\x81")},
        EightBitCase{"Utf8", "\xc3\xa9t\xc3\xa9", QString::fromUtf8("\xc3\xa9t\xc3\xa9")}),
    [](const auto& p) { return std::string(p.param.name); });

// The field holds 255 of the stored bytes and saves exactly those: no character is split.
TEST_F(Workspace, KeptBytesAreCutAtTheFieldsLengthAndTheBuffersSize) {
    const std::string degrees(300, '\xb0');
    for (const char* key : kTextKeys) {
        test_support::StoreText(2, "tolvane", key, degrees);
    }
    plugin.Command("OPENWORKSPACE", 2);
    EXPECT_EQ(Find<QLineEdit>("EHOST")->text().size(), 255);
    EXPECT_EQ(Find<QTableWidget>("SGMASK")->item(1, 1)->text().size(), 300);
    RecordedSettingsCalls().clear();
    plugin.Command("SAVEWORKSPACE", 2);
    for (const char* key : kTextKeys) {
        EXPECT_EQ(SavedText(key), std::string(255, '\xb0')) << key;
    }
}

// Once the user changes a field's text, the field is saved as UTF-8; the others keep their
// bytes.
TEST_F(Workspace, AnEditedEightBitFieldIsSavedAsUtf8) {
    test_support::StoreText(2, "tolvane", "Host", "\xe9t\xe9.example");
    test_support::StoreText(2, "tolvane", "Port", "7\xff");
    test_support::StoreText(2, "tolvane", "Mask12", "10\xb0?");
    test_support::StoreText(2, "tolvane", "Mask13", "10\xb0?");
    plugin.Command("OPENWORKSPACE", 2);
    Find<QLineEdit>("EHOST")->setText(Find<QLineEdit>("EHOST")->text() + "s");
    SetMaskCell(1, 1, QString::fromUtf8("1\xc2\xb0"));
    RecordedSettingsCalls().clear();
    plugin.Command("SAVEWORKSPACE", 2);
    EXPECT_EQ(SavedText("Host"), "\xc3\xa9t\xc3\xa9.examples");
    EXPECT_EQ(SavedText("Port"), "7\xff");
    EXPECT_EQ(SavedText("Mask12"), "1\xc2\xb0");
    EXPECT_EQ(SavedText("Mask13"), "10\xb0?");
}

// The port field takes up to 5 characters, or a longer stored port whole; a later restore of a
// short port gives the typing limit back.
TEST_F(Workspace, PortFieldLimitFollowsTheLastRestoredPort) {
    auto* port = Find<QLineEdit>("EPORT");
    auto* host = Find<QLineEdit>("EHOST");
    const std::vector<std::tuple<std::string, int>> restores = {
        {std::string(30, '7'), 30}, {"23", 5}, {"123456", 6}, {"7001", 5}};
    for (const auto& [stored, limit] : restores) {
        test_support::StoreText(2, "tolvane", "Port", stored);
        test_support::StoreText(2, "tolvane", "Host", stored);
        plugin.Command("OPENWORKSPACE", 2);
        EXPECT_EQ(port->text().toStdString(), stored);
        EXPECT_EQ(port->maxLength(), limit) << stored;
        EXPECT_EQ(host->maxLength(), 255) << stored;
    }
}

TEST_F(Workspace, ALibraryUnderAnotherFileNameUsesAnotherSection) {
    QTemporaryDir dir;
    const QString copy = dir.filePath("Extra Tool.DLL.so");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(PluginPath()), copy));
    ASSERT_TRUE(QFile::link(QString::fromStdString(KovadexPath()), dir.filePath("libkovadex.so")));
    plugin.Unload();
    ASSERT_TRUE(plugin.Load(copy.toStdString())) << plugin.Error();
    window = static_cast<QWidget*>(plugin.Initialize(0, 0));
    ASSERT_NE(window, nullptr);
    test_support::StoreText(4, "tolvane", "Host", "seen under the first name");

    plugin.Command("OPENWORKSPACE", 4);
    plugin.Command("SAVEWORKSPACE", 4);
    EXPECT_EQ(Find<QLineEdit>("EHOST")->text(), "127.0.0.1");
    EXPECT_EQ(CallsAndKeys(4, "ExtraTool").size(), 57U + 57U);
}

TEST_F(Workspace, ResetDataEmptiesTheBufferAndZeroesEveryCounter) {
    Tick(8);
    for (int i = 0; i < 100; ++i) {
        Send(Group(0x6204, 0x4000, 0, 0));
    }
    Send(Group(0x6204, 0x4000, -1, 0));
    ASSERT_EQ(Text("LW"), "100");
    plugin.Command("RESETDATA", 0);
    for (const char* name : {"LR", "LE", "LF", "LW", "LL", "LS"}) {
        EXPECT_EQ(Text(name), "0") << name;
    }
    EXPECT_EQ(Text("LRPS"), "0.0");
    EXPECT_EQ(Text("LSPS"), "0.0");
    const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    EXPECT_TRUE(Text("LSTART").startsWith(today + ' ')) << Text("LSTART").toStdString();
    Send(Group(0x6204, 0x4000, 0, 0));
    EXPECT_EQ(Text("LW"), "1");
    EXPECT_EQ(Text("LL"), "0");
}

// Ten groups with a bad block count like valid ones; nothing was sent.
TEST_F(Workspace, RateTickShowsGroupsPerSecondWithTheSystemsSeparator) {
    for (int i = 0; i < 34; ++i) {
        Send(Group(0x6204, 0x4000, i < 10 ? 70000 : 0, 0));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return Text("LRPS") != "LRPS"; }, 6000));
    const QString point = QLocale::system().decimalPoint();
    EXPECT_EQ(Text("LRPS"), "11" + point + "4");
    EXPECT_EQ(Text("LSPS"), "0" + point + "0");
}

}  // namespace
