#include "plugin/command_word.h"

#include <array>
#include <string_view>
#include <utility>

namespace {

constexpr std::array<std::pair<std::string_view, CommandWord>, 7> kWords{{
    {"SHOWHIDE", CommandWord::ShowHide},
    {"SHOW", CommandWord::Show},
    {"CONFIGURE", CommandWord::Configure},
    {"HIDE", CommandWord::Hide},
    {"SAVEWORKSPACE", CommandWord::SaveWorkspace},
    {"OPENWORKSPACE", CommandWord::OpenWorkspace},
    {"RESETDATA", CommandWord::ResetData},
}};

}  // namespace

std::string AsciiUpperCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

CommandWord RecogniseCommand(const char* text) {
    const std::string upper = AsciiUpperCase(text == nullptr ? std::string() : std::string(text));
    for (const auto& [word, command] : kWords) {
        if (upper == word) {
            return command;
        }
    }
    return CommandWord::None;
}
