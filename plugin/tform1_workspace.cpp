#include <algorithm>
#include <utility>

#include "kovadex.h"
#include "plugin/error_report.h"
#include "plugin/tform1_handlers.h"
#include "plugin/window_placement.h"
#include "plugin/workspace_rules.h"

namespace {

// The mask cells' key and text on their way to the settings library, held once for the
// whole plug-in.
workspace::SettingsBuffer g_maskKey;
workspace::SettingsBuffer g_maskText;

int32_t TickValue(bool ticked) {
    return ticked ? 1 : 0;
}

// A restored text goes into its field whole up to 255 characters; a field whose typing limit
// is shorter makes room for it rather than cutting it, and gets its own limit back with the
// next text that fits.
void SetRestoredText(ui::Edit& field, std::optional<workspace::RestoredText>& memory,
                     std::string_view stored, int typingLimit) {
    const std::string_view kept =
        workspace::FirstCharacters(stored, workspace::kMaxRestoredCharacters);
    std::string shown = workspace::DisplayText(kept);
    field.SetMaxLength(std::max(typingLimit, field.LengthOf(shown)));
    field.SetText(shown);
    memory = workspace::RestoredText{std::string(kept), std::move(shown)};
}

}  // namespace

void TForm1Handlers::SaveString(int32_t workspace, const char* section, std::string_view key,
                                std::string_view value) {
    workspace::SettingsBuffer keyBuffer;
    workspace::SettingsBuffer valueBuffer;
    workspace::CopyToSettingsBuffer(key, keyBuffer);
    workspace::CopyToSettingsBuffer(value, valueBuffer);
    SavePChar(workspace, section, keyBuffer.data(), valueBuffer.data());
}

std::string TForm1Handlers::LoadString(int32_t workspace, const char* section, std::string_view key,
                                       std::string_view defaultValue) {
    workspace::SettingsBuffer keyBuffer;
    workspace::SettingsBuffer defaultBuffer;
    workspace::CopyToSettingsBuffer(key, keyBuffer);
    workspace::CopyToSettingsBuffer(defaultValue, defaultBuffer);
    const char* loaded = LoadPChar(workspace, section, keyBuffer.data(), defaultBuffer.data());
    return loaded == nullptr ? std::string() : std::string(loaded);
}

void TForm1Handlers::SaveWorkspace(int32_t workspace) {
    const char* section = m_sectionName.c_str();
    const ScreenRect frame = m_ui.Form1->Frame();
    const std::pair<const char*, int32_t> integers[] = {
        {"Top", frame.top},
        {"Left", frame.left},
        {"Visible", TickValue(m_ui.Form1->Visible())},
        {"ConnectionType", m_ui.RGCON->ItemIndex()},
        {"Bidirectional", TickValue(m_ui.CBBIDI->Checked())},
        {"Limit", TickValue(m_ui.CBLIMIT->Checked())},
        {"KeepPI", TickValue(m_ui.CBKEEPPI->Checked())},
        {"KeepPTY", TickValue(m_ui.CBKEEPPTY->Checked())},
        {"KeepTP", TickValue(m_ui.CBKEEPTP->Checked())},
        {"SerialPort", m_ui.CBCOMP->ItemIndex()},
        {"PortSpeed", m_ui.RGSPEED->ItemIndex()},
    };
    for (const auto& [key, value] : integers) {
        SaveInteger(workspace, section, key, value);
    }
    SaveString(workspace, section, "Host", workspace::TextToSave(m_ui.EHOST->Text(), m_hostText));
    SaveString(workspace, section, "Port", workspace::TextToSave(m_ui.EPORT->Text(), m_portText));
    for (int item = 0; item < workspace::kGroupItemCount; ++item) {
        SaveInteger(workspace, section, workspace::GroupItemKey(item).c_str(),
                    TickValue(m_ui.CLBSHOW->Checked(item)));
    }
    SaveMaskCells(workspace);
}

void TForm1Handlers::SaveMaskCells(int32_t workspace) {
    for (int mask = 1; mask <= workspace::kMaskCount; ++mask) {
        for (int block = workspace::kFirstMaskBlock; block <= workspace::kLastMaskBlock; ++block) {
            workspace::CopyToSettingsBuffer(workspace::MaskKey(mask, block), g_maskKey);
            const std::string text = workspace::TextToSave(m_ui.SGMASK->CellText(mask, block - 1),
                                                           MaskCellMemory(mask, block));
            workspace::CopyToSettingsBuffer(text, g_maskText);
            SavePChar(workspace, m_sectionName.c_str(), g_maskKey.data(), g_maskText.data());
        }
    }
}

void TForm1Handlers::OpenWorkspace(int32_t workspace) {
    const char* section = m_sectionName.c_str();
    RestoreWindowPlace(workspace);
    m_ui.Form1->SetVisible(workspace::IsSet(LoadInteger(workspace, section, "Visible", 1)));
    RestoreEncoderOptions(workspace);
    SetRestoredText(*m_ui.EHOST, m_hostText, LoadString(workspace, section, "Host", "127.0.0.1"),
                    workspace::kHostTypingLimit);
    SetRestoredText(*m_ui.EPORT, m_portText, LoadString(workspace, section, "Port", "23"),
                    workspace::kPortTypingLimit);
    RestoreMaskCells(workspace);
    RestoreGroupItems(workspace);
    // What is restored stays restored when connecting fails.
    Guarded("Connect / Update", [this] { ConnectAfterRestore(); });
}

void TForm1Handlers::RestoreWindowPlace(int32_t workspace) {
    const int32_t top = LoadInteger(workspace, m_sectionName.c_str(), "Top", 185);
    const int32_t left = LoadInteger(workspace, m_sectionName.c_str(), "Left", 63);
    const std::optional<ScreenLayout> layout = m_ui.Form1->Screens();
    if (!layout) {
        return;
    }
    const ScreenRect frame = m_ui.Form1->Frame();
    const ScreenRect placed = PlaceRestoredWindow({left, top, frame.width, frame.height}, *layout);
    m_ui.Form1->MoveTo(placed.left, placed.top);
}

void TForm1Handlers::RestoreEncoderOptions(int32_t workspace) {
    const char* section = m_sectionName.c_str();
    m_ui.RGCON->SetItemIndex(workspace::RadioItemIndex(
        LoadInteger(workspace, section, "ConnectionType", 2), m_ui.RGCON->Count()));
    const std::pair<ui::TickBox*, const char*> boxes[] = {
        {m_ui.CBBIDI, "Bidirectional"}, {m_ui.CBLIMIT, "Limit"},   {m_ui.CBKEEPPI, "KeepPI"},
        {m_ui.CBKEEPPTY, "KeepPTY"},    {m_ui.CBKEEPTP, "KeepTP"},
    };
    for (const auto& [box, key] : boxes) {
        box->SetChecked(workspace::IsSet(LoadInteger(workspace, section, key, 1)));
    }
    m_ui.CBCOMP->SetItemIndex(
        workspace::PortItemIndex(LoadInteger(workspace, section, "SerialPort", 0)));
    m_ui.RGSPEED->SetItemIndex(workspace::RadioItemIndex(
        LoadInteger(workspace, section, "PortSpeed", 1), m_ui.RGSPEED->Count()));
}

void TForm1Handlers::RestoreMaskCells(int32_t workspace) {
    for (int mask = 1; mask <= workspace::kMaskCount; ++mask) {
        for (int block = workspace::kFirstMaskBlock; block <= workspace::kLastMaskBlock; ++block) {
            workspace::CopyToSettingsBuffer(workspace::MaskKey(mask, block), g_maskKey);
            const char* loaded = LoadPChar(workspace, m_sectionName.c_str(), g_maskKey.data(),
                                           workspace::kDefaultMaskText);
            const std::string_view stored = loaded == nullptr ? "" : loaded;
            std::string shown = workspace::DisplayText(stored);
            m_ui.SGMASK->SetCellText(mask, block - 1, shown);
            MaskCellMemory(mask, block) =
                workspace::RestoredText{std::string(stored), std::move(shown)};
        }
    }
}

void TForm1Handlers::RestoreGroupItems(int32_t workspace) {
    for (int item = 0; item < workspace::kGroupItemCount; ++item) {
        const int32_t stored =
            LoadInteger(workspace, m_sectionName.c_str(), workspace::GroupItemKey(item).c_str(),
                        TickValue(workspace::GroupItemDefault(item)));
        m_ui.CLBSHOW->SetChecked(item, workspace::IsSet(stored));
    }
}

void TForm1Handlers::ConnectAfterRestore() {
    BUPDATEClick(this);
}

std::optional<workspace::RestoredText>& TForm1Handlers::MaskCellMemory(int mask, int block) {
    const auto index =
        static_cast<std::size_t>((mask - 1) * 3 + block - workspace::kFirstMaskBlock);
    return m_maskCellTexts.at(index);
}
