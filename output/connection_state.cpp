#include "output/connection_state.h"

namespace encoder_output {

void ConnectionState::BeginUpdate(int connectionTypeIndex) {
    UpdateEnabled = false;
    SelectedLink = connectionTypeIndex == lkSerial ? lkSerial
                   : connectionTypeIndex == lkTcp  ? lkTcp
                                                   : lkNone;
    if (SelectedLink != lkTcp) {
        TcpRetryEnabled = false;
    }
}

void ConnectionState::SerialOpened(int portNumber) {
    ActiveLink = lkSerial;
    Status = "COM" + std::to_string(portNumber) + " opened";
}

void ConnectionState::SerialOpenFailed() {
    Status = kUnableToOpenSerial;
    UpdateEnabled = true;
    ActiveLink = lkNone;
}

void ConnectionState::TcpAttemptStarting() {
    Status = kConnecting;
}

void ConnectionState::NoLinkChosen() {
    TcpRetryEnabled = false;
    Status = kNotConnected;
    ActiveLink = lkNone;
    UpdateEnabled = true;
}

void ConnectionState::TcpConnected(const std::string& host, uint16_t port) {
    TcpRetryEnabled = false;
    SelectedLink = lkTcp;
    ActiveLink = lkTcp;
    Status = "Connected to " + host + ":" + std::to_string(port);
}

void ConnectionState::TcpDisconnected() {
    if (SelectedLink != lkTcp) {
        return;
    }
    TcpRetryEnabled = true;
    ActiveLink = lkNone;
    Status = kNotConnected;
}

void ConnectionState::TcpError(const std::string& message) {
    Status = "TCP/IP Error: " + message;
}

void ConnectionState::SerialFailed(const std::string& message) {
    if (ActiveLink == lkSerial) {
        ActiveLink = lkNone;
    }
    UpdateEnabled = true;
    Status = "RS232 Error: " + message;
}

void ConnectionState::Disconnect() {
    UpdateEnabled = true;
    TcpRetryEnabled = false;
    ActiveLink = lkNone;
    Status = kNotConnected;
}

void ConnectionState::Shutdown() {
    if (ActiveLink == lkTcp) {
        SelectedLink = lkNone;
    }
}

}  // namespace encoder_output
