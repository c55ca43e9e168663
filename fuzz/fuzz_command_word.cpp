// Command texts from the host.
// Properties: the answer ignores the case of ASCII letters only; a text that is recognised is
// one of the seven words, letter for letter; anything after a NUL is not seen.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "plugin/command_word.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::string SwapAsciiCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

constexpr std::array<std::string_view, 7> kWords = {
    "SHOWHIDE", "SHOW", "CONFIGURE", "HIDE", "SAVEWORKSPACE", "OPENWORKSPACE", "RESETDATA"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const CommandWord word = RecogniseCommand(text.c_str());
    Require(RecogniseCommand(SwapAsciiCase(text).c_str()) == word);
    const std::string seen = AsciiUpperCase(text.substr(0, text.find('\0')));
    bool isWord = false;
    for (const std::string_view candidate : kWords) {
        isWord = isWord || seen == candidate;
    }
    Require((word != CommandWord::None) == isWord);
    return 0;
}
