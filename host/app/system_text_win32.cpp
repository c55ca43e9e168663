#include "system_text_win32.h"

std::string SystemErrorText(DWORD code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length > 0 ? std::string(text, length) : std::string();
    LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == ' ' || result.back() == '.')) {
        result.pop_back();
    }
    return result.empty() ? "system error " + std::to_string(code) : result;
}
