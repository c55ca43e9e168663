#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "pipeline/rds_group_record.h"
#include "plugin/controls.h"
#include "plugin/workspace_rules.h"

class TSimpleTCPClient;
class TVaComm;

// The window's controls as its handlers see them, named as the window names them. The
// toolkit layer fills it when it builds the window; every pointer then stays valid for the
// window's life.
struct TForm1Controls {
    ui::Window* Form1 = nullptr;
    ui::System* System = nullptr;
    ui::StatusLine* StatusBar1 = nullptr;

    ui::Label* LR = nullptr;
    ui::Label* LRPS = nullptr;
    ui::Label* LE = nullptr;
    ui::Label* LF = nullptr;
    ui::Label* LW = nullptr;
    ui::Label* LL = nullptr;
    ui::Label* LS = nullptr;
    ui::Label* LSPS = nullptr;
    ui::Label* LSTART = nullptr;

    ui::CheckList* CLBSHOW = nullptr;
    ui::Grid* SGMASK = nullptr;

    ui::RadioGroup* RGCON = nullptr;
    ui::TickBox* CBBIDI = nullptr;
    ui::TickBox* CBLIMIT = nullptr;
    ui::Combo* CBCOMP = nullptr;
    ui::RadioGroup* RGSPEED = nullptr;
    ui::Edit* EHOST = nullptr;
    ui::Edit* EPORT = nullptr;
    ui::TickBox* CBKEEPPI = nullptr;
    ui::TickBox* CBKEEPPTY = nullptr;
    ui::TickBox* CBKEEPTP = nullptr;
    ui::Button* BUPDATE = nullptr;

    ui::Timer* TTimerSend = nullptr;
    ui::Timer* TimerRxD = nullptr;
    ui::Timer* TCPCon = nullptr;
    ui::Timer* TimerPerSec = nullptr;
};

// What the window does, written once for every toolkit: the handlers of TForm1 reach the
// controls only through the seam in `m_ui`.
class TForm1Handlers {
public:
    using EventSender = ui::EventSender;

    TForm1Handlers() = default;
    TForm1Handlers(const TForm1Handlers&) = delete;
    TForm1Handlers& operator=(const TForm1Handlers&) = delete;

    // Host commands.
    void ExecuteCommand(const char* text, int32_t workspace);

    // Intake and output buffer.
    void ReceiveGroup(const RdsGroupRecord* group);
    void AddToBuffer(const RdsGroupRecord& group);
    void ReadFromBuffer(RdsGroupRecord& group);
    int32_t BufferLength() const;

    // Group filter.
    bool MaskMatch(const RdsGroupRecord& group, int32_t selector);
    void SGMASKKeyPress(EventSender sender, char16_t& key);
    void SGMASKExit(EventSender sender);

    // Encoder output: the send tick and the command writer.
    void TTimerSendTimer(EventSender Sender);
    void Send(const std::string& prefix, const std::string& argument);
    void SendTCP(const std::string& prefix, const std::string& argument);

    // Connection manager.
    void BUPDATEClick(EventSender Sender);
    void BDISCONClick(EventSender Sender);
    void TCPConTimer(EventSender Sender);
    void SimpleTCPClient1Connected(EventSender Sender);
    void SimpleTCPClient1Disconnected(EventSender Sender);
    void SimpleTCPClient1Error(EventSender Sender, int Socket, int ErrorCode,
                               const std::string& ErrorMsg);
    void EHOSTExit(EventSender Sender);

    // Encoder replies: `Received` is what the link had to read.
    void TimerRxDTimer(EventSender Sender);
    void SimpleTCPClient1Read(EventSender Sender, std::string_view Received);

    // Statistics.
    void ClearAll();
    void Button1Click(EventSender sender);
    void TimerPerSecTimer(EventSender sender);

    // Text settings in the host's workspace, through buffers of 256 bytes.
    void SaveString(int32_t workspace, const char* section, std::string_view key,
                    std::string_view value);
    std::string LoadString(int32_t workspace, const char* section, std::string_view key,
                           std::string_view defaultValue);

    const std::string& SectionName() const { return m_sectionName; }

    // The links, built and owned by the toolkit layer.
    TVaComm* VaComm1 = nullptr;
    TSimpleTCPClient* SimpleTCPClient1 = nullptr;

protected:
    ~TForm1Handlers() = default;

    void SerialFailed(const std::exception& error);
    void ShutdownLinks() noexcept;

    TForm1Controls m_ui;
    std::string m_sectionName;

private:
    void ShowCommand();
    void SaveWorkspace(int32_t workspace);
    void SaveMaskCells(int32_t workspace);
    void OpenWorkspace(int32_t workspace);
    void RestoreWindowPlace(int32_t workspace);
    void RestoreEncoderOptions(int32_t workspace);
    void RestoreMaskCells(int32_t workspace);
    void RestoreGroupItems(int32_t workspace);
    std::optional<workspace::RestoredText>& MaskCellMemory(int mask, int block);
    // Puts the restored connection settings into effect; the last step of OPENWORKSPACE.
    void ConnectAfterRestore();

    bool WriteCommand(const std::string& text);
    void WriteTcp(const std::string& text);
    bool WriteSerial(const std::string& text);
    void SendSerialGroup();
    void FinishHeldSerialGroup();
    void CompleteHeldSerialGroup();
    void SettleHeldSerialGroup() noexcept;
    void CountSentGroup();
    void RestartSendTimer();
    void AcknowledgementStep();
    void ConnectSerial();
    void CloseSerialQuietly() noexcept;
    void ApplyConnectionState();

    // The texts that the host, port and mask fields were restored with.
    std::optional<workspace::RestoredText> m_hostText;
    std::optional<workspace::RestoredText> m_portText;
    std::array<std::optional<workspace::RestoredText>, workspace::kMaskCount * 3> m_maskCellTexts;
};
