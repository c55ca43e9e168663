#include "output/connection_state.h"

#include <climits>

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

namespace {

bool IsSpace(char c) {
    return (c >= 9 && c <= 13) || c == ' ';
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::optional<int> PortFieldNumber(std::string_view text) {
    text = TrimSpaces(text);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > int64_t{INT_MAX} + 1) {
            return std::nullopt;
        }
    }
    value = negative ? -value : value;
    if (value > INT_MAX || value < INT_MIN) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

}  // namespace encoder_output
