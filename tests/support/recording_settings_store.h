#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A settings store that the test program itself provides: it exports the four settings calls,
// which take the place of libkovadex.so's in a plug-in loaded into the program. It keeps what
// is saved, answers loads like the real store, and records every call in order.
namespace test_support {

struct SettingsCall {
    std::string function;  // "SaveInteger", "LoadInteger", "SavePChar" or "LoadPChar"
    int32_t workspace = 0;
    std::string section;
    std::string key;
    std::string value;  // the value saved, or the default of a load; integers in decimal

    // "SaveInteger 7 tolvane Top 185"
    std::string Line() const;
};

std::vector<SettingsCall>& RecordedSettingsCalls();
// Forgets the calls and every stored value.
void ResetSettingsStore();
// Stores a value as a save would, without recording a call.
void StoreInteger(int32_t workspace, const std::string& section, const std::string& key,
                  int32_t value);
void StoreText(int32_t workspace, const std::string& section, const std::string& key,
               const std::string& value);

}  // namespace test_support
