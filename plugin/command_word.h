#pragma once

#include <string>

// The host's command words. A command matches a word only when its whole text, with the
// ASCII letters upper-cased, equals the word: no blanks are trimmed, nothing may follow.
enum class CommandWord {
    None,
    ShowHide,
    Show,
    Configure,
    Hide,
    SaveWorkspace,
    OpenWorkspace,
    ResetData,
};

// A null text is the empty text, which matches no word.
CommandWord RecogniseCommand(const char* text);

// ASCII a..z become A..Z; every other byte stays as it is, whatever the locale.
std::string AsciiUpperCase(std::string text);
