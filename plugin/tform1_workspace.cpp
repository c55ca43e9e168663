#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTableWidget>
#include <algorithm>
#include <utility>

#include "kovadex.h"
#include "plugin/error_report.h"
#include "plugin/tform1.h"
#include "plugin/widgets.h"
#include "plugin/window_placement.h"
#include "plugin/workspace_rules.h"

namespace {

// The mask cells' key and text on their way to the settings library, held once for the
// whole plug-in.
workspace::SettingsBuffer g_maskKey;
workspace::SettingsBuffer g_maskText;

// What a restored field remembers: the stored bytes, and the text they were shown as.
constexpr char kStoredBytesProperty[] = "tolvaneStoredBytes";
constexpr char kShownTextProperty[] = "tolvaneShownText";
constexpr int kStoredBytesRole = Qt::UserRole;
constexpr int kShownTextRole = Qt::UserRole + 1;

int32_t TickValue(bool ticked) {
    return ticked ? 1 : 0;
}

// A field whose text is still the one it was restored with gives back the stored bytes, so
// that a text that is not UTF-8 survives a restore and a save unchanged; an edited text is
// saved as UTF-8.
std::string TextToSave(const QString& text, const QVariant& storedBytes, const QVariant& shown) {
    if (storedBytes.isValid() && shown.toString() == text) {
        return storedBytes.toByteArray().toStdString();
    }
    return text.toUtf8().toStdString();
}

std::string TextToSave(const QLineEdit* field) {
    return TextToSave(field->text(), field->property(kStoredBytesProperty),
                      field->property(kShownTextProperty));
}

std::string TextToSave(const QTableWidgetItem* cell) {
    return TextToSave(cell->text(), cell->data(kStoredBytesRole), cell->data(kShownTextRole));
}

ScreenRect ToScreenRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.width(), rect.height()};
}

QByteArray Bytes(std::string_view text) {
    return {text.data(), static_cast<qsizetype>(text.size())};
}

// A restored text goes into its field whole up to 255 characters; a field whose typing limit
// is shorter makes room for it rather than cutting it, and gets its own limit back with the
// next text that fits.
void SetRestoredText(QLineEdit* field, std::string_view stored, int typingLimit) {
    const std::string_view kept =
        workspace::FirstCharacters(stored, workspace::kMaxRestoredCharacters);
    const QString shown = QString::fromStdString(workspace::DisplayText(kept));
    field->setMaxLength(std::max(typingLimit, static_cast<int>(shown.size())));
    field->setText(shown);
    field->setProperty(kStoredBytesProperty, Bytes(kept));
    field->setProperty(kShownTextProperty, shown);
}

void SetRestoredText(QTableWidgetItem* cell, std::string_view stored) {
    const QString shown = QString::fromStdString(workspace::DisplayText(stored));
    cell->setText(shown);
    cell->setData(kStoredBytesRole, Bytes(stored));
    cell->setData(kShownTextRole, shown);
}

}  // namespace

void TForm1::SaveString(int32_t workspace, const char* section, std::string_view key,
                        std::string_view value) {
    workspace::SettingsBuffer keyBuffer;
    workspace::SettingsBuffer valueBuffer;
    workspace::CopyToSettingsBuffer(key, keyBuffer);
    workspace::CopyToSettingsBuffer(value, valueBuffer);
    SavePChar(workspace, section, keyBuffer.data(), valueBuffer.data());
}

std::string TForm1::LoadString(int32_t workspace, const char* section, std::string_view key,
                               std::string_view defaultValue) {
    workspace::SettingsBuffer keyBuffer;
    workspace::SettingsBuffer defaultBuffer;
    workspace::CopyToSettingsBuffer(key, keyBuffer);
    workspace::CopyToSettingsBuffer(defaultValue, defaultBuffer);
    const char* loaded = LoadPChar(workspace, section, keyBuffer.data(), defaultBuffer.data());
    return loaded == nullptr ? std::string() : std::string(loaded);
}

void TForm1::SaveWorkspace(int32_t workspace) {
    const char* section = m_sectionName.c_str();
    const std::pair<const char*, int32_t> integers[] = {
        {"Top", y()},
        {"Left", x()},
        {"Visible", TickValue(isVisible())},
        {"ConnectionType", RGCON->ItemIndex()},
        {"Bidirectional", TickValue(CBBIDI->isChecked())},
        {"Limit", TickValue(CBLIMIT->isChecked())},
        {"KeepPI", TickValue(CBKEEPPI->isChecked())},
        {"KeepPTY", TickValue(CBKEEPPTY->isChecked())},
        {"KeepTP", TickValue(CBKEEPTP->isChecked())},
        {"SerialPort", CBCOMP->currentIndex()},
        {"PortSpeed", RGSPEED->ItemIndex()},
    };
    for (const auto& [key, value] : integers) {
        SaveInteger(workspace, section, key, value);
    }
    SaveString(workspace, section, "Host", TextToSave(EHOST));
    SaveString(workspace, section, "Port", TextToSave(EPORT));
    for (int item = 0; item < workspace::kGroupItemCount; ++item) {
        const bool ticked = CLBSHOW->item(item)->checkState() == Qt::Checked;
        SaveInteger(workspace, section, workspace::GroupItemKey(item).c_str(), TickValue(ticked));
    }
    SaveMaskCells(workspace);
}

void TForm1::SaveMaskCells(int32_t workspace) {
    for (int mask = 1; mask <= workspace::kMaskCount; ++mask) {
        for (int block = workspace::kFirstMaskBlock; block <= workspace::kLastMaskBlock; ++block) {
            workspace::CopyToSettingsBuffer(workspace::MaskKey(mask, block), g_maskKey);
            workspace::CopyToSettingsBuffer(TextToSave(SGMASK->item(mask, block - 1)), g_maskText);
            SavePChar(workspace, m_sectionName.c_str(), g_maskKey.data(), g_maskText.data());
        }
    }
}

void TForm1::OpenWorkspace(int32_t workspace) {
    const char* section = m_sectionName.c_str();
    RestoreWindowPlace(workspace);
    setVisible(workspace::IsSet(LoadInteger(workspace, section, "Visible", 1)));
    RestoreEncoderOptions(workspace);
    SetRestoredText(EHOST, LoadString(workspace, section, "Host", "127.0.0.1"),
                    workspace::kHostTypingLimit);
    SetRestoredText(EPORT, LoadString(workspace, section, "Port", "23"),
                    workspace::kPortTypingLimit);
    RestoreMaskCells(workspace);
    RestoreGroupItems(workspace);
    // What is restored stays restored when connecting fails.
    Guarded("Connect / Update", [this] { ConnectAfterRestore(); });
}

void TForm1::RestoreWindowPlace(int32_t workspace) {
    const int32_t top = LoadInteger(workspace, m_sectionName.c_str(), "Top", 185);
    const int32_t left = LoadInteger(workspace, m_sectionName.c_str(), "Left", 63);
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return;
    }
    ScreenLayout layout{
        ToScreenRect(primary->virtualGeometry()), {}, ToScreenRect(primary->geometry())};
    for (const QScreen* screen : QGuiApplication::screens()) {
        layout.monitors.push_back(ToScreenRect(screen->geometry()));
    }
    const QSize size = frameGeometry().size();
    const ScreenRect placed = PlaceRestoredWindow({left, top, size.width(), size.height()}, layout);
    move(placed.left, placed.top);
}

void TForm1::RestoreEncoderOptions(int32_t workspace) {
    const char* section = m_sectionName.c_str();
    RGCON->SetItemIndex(workspace::RadioItemIndex(
        LoadInteger(workspace, section, "ConnectionType", 2), RGCON->Count()));
    const std::pair<QCheckBox*, const char*> boxes[] = {
        {CBBIDI, "Bidirectional"}, {CBLIMIT, "Limit"},   {CBKEEPPI, "KeepPI"},
        {CBKEEPPTY, "KeepPTY"},    {CBKEEPTP, "KeepTP"},
    };
    for (const auto& [box, key] : boxes) {
        box->setChecked(workspace::IsSet(LoadInteger(workspace, section, key, 1)));
    }
    CBCOMP->setCurrentIndex(
        workspace::PortItemIndex(LoadInteger(workspace, section, "SerialPort", 0)));
    RGSPEED->SetItemIndex(workspace::RadioItemIndex(LoadInteger(workspace, section, "PortSpeed", 1),
                                                    RGSPEED->Count()));
}

void TForm1::RestoreMaskCells(int32_t workspace) {
    for (int mask = 1; mask <= workspace::kMaskCount; ++mask) {
        for (int block = workspace::kFirstMaskBlock; block <= workspace::kLastMaskBlock; ++block) {
            workspace::CopyToSettingsBuffer(workspace::MaskKey(mask, block), g_maskKey);
            const char* text = LoadPChar(workspace, m_sectionName.c_str(), g_maskKey.data(),
                                         workspace::kDefaultMaskText);
            SetRestoredText(SGMASK->item(mask, block - 1), text == nullptr ? "" : text);
        }
    }
}

void TForm1::RestoreGroupItems(int32_t workspace) {
    for (int item = 0; item < workspace::kGroupItemCount; ++item) {
        const int32_t stored =
            LoadInteger(workspace, m_sectionName.c_str(), workspace::GroupItemKey(item).c_str(),
                        TickValue(workspace::GroupItemDefault(item)));
        CLBSHOW->item(item)->setCheckState(workspace::IsSet(stored) ? Qt::Checked : Qt::Unchecked);
    }
}

void TForm1::ConnectAfterRestore() {
    BUPDATEClick(this);
}
