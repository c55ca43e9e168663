#include "SimpleTCPErrors.h"

std::string SocketErrorText(int errorCode) {
    const std::string_view listed = simple_tcp::ListedSocketErrorText(errorCode);
    return std::string(listed.empty() ? simple_tcp::kNotAWinSockErrorText : listed);
}
