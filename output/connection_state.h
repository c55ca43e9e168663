#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "output/encoder_command.h"

// The state of the link to the encoder as the window shows it: which link is active and
// which was chosen, whether the retry timer runs, whether "Connect / Update" may be pressed,
// and the status line. Each event of the connection manager is one method; the window carries
// the result over to its controls and links.
namespace encoder_output {

inline constexpr const char* kNotConnected = "Not connected";
inline constexpr const char* kConnecting = "Connecting...";
inline constexpr const char* kUnableToOpenSerial = "Unable to open the RS232 port";

class ConnectionState {
public:
    LinkKind ActiveLink = lkNone;
    LinkKind SelectedLink = lkNone;
    bool TcpRetryEnabled = false;
    bool UpdateEnabled = true;
    std::string Status = kNotConnected;

    // Connect / Update: the button is disabled and the chosen type taken (an index other than
    // the serial or TCP item counts as "(not connected)").
    void BeginUpdate(int connectionTypeIndex);
    void SerialOpened(int portNumber);
    void SerialOpenFailed();
    void TcpAttemptStarting();
    // "(not connected)" chosen, or any type but serial and TCP: output stops.
    void NoLinkChosen();

    void TcpConnected(const std::string& host, uint16_t port);
    void TcpDisconnected();
    void TcpError(const std::string& message);
    // The serial link failed while writing or reading: output pauses until the user connects
    // again; the status line keeps the link's message.
    void SerialFailed(const std::string& message);
    void Disconnect();
    // At destruction: no retry may be armed by the disconnection that closing TCP raises.
    void Shutdown();
};

// The port field's text (UTF-8) as a number: an optional sign and ASCII decimal digits within
// the range of int, with ASCII white space around them. Anything else is no number.
std::optional<int> PortFieldNumber(std::string_view text);

}  // namespace encoder_output
