#include "support/recording_settings_store.h"

#include <map>
#include <tuple>
#include <variant>

namespace test_support {

namespace {

using Key = std::tuple<int32_t, std::string, std::string>;
std::map<Key, std::variant<int32_t, std::string>> g_stored;
std::vector<SettingsCall> g_calls;
std::string g_lastText;

std::string Text(const char* text) {
    return text == nullptr ? std::string() : std::string(text);
}

}  // namespace

std::string SettingsCall::Line() const {
    return function + ' ' + std::to_string(workspace) + ' ' + section + ' ' + key + ' ' + value;
}

std::vector<SettingsCall>& RecordedSettingsCalls() {
    return g_calls;
}

void ResetSettingsStore() {
    g_stored.clear();
    g_calls.clear();
}

void StoreInteger(int32_t workspace, const std::string& section, const std::string& key,
                  int32_t value) {
    g_stored[{workspace, section, key}] = value;
}

void StoreText(int32_t workspace, const std::string& section, const std::string& key,
               const std::string& value) {
    g_stored[{workspace, section, key}] = value;
}

}  // namespace test_support

using test_support::g_calls;
using test_support::g_lastText;
using test_support::g_stored;
using test_support::Text;

extern "C" {

int32_t SaveInteger(int32_t workspace, const char* section, const char* key, int32_t value) {
    g_calls.push_back({"SaveInteger", workspace, Text(section), Text(key), std::to_string(value)});
    g_stored[{workspace, Text(section), Text(key)}] = value;
    return 1;
}

int32_t LoadInteger(int32_t workspace, const char* section, const char* key, int32_t defaultValue) {
    g_calls.push_back(
        {"LoadInteger", workspace, Text(section), Text(key), std::to_string(defaultValue)});
    const auto found = g_stored.find({workspace, Text(section), Text(key)});
    if (found != g_stored.end() && std::holds_alternative<int32_t>(found->second)) {
        return std::get<int32_t>(found->second);
    }
    return defaultValue;
}

int32_t SavePChar(int32_t workspace, const char* section, const char* key, const char* value) {
    g_calls.push_back({"SavePChar", workspace, Text(section), Text(key), Text(value)});
    g_stored[{workspace, Text(section), Text(key)}] = Text(value);
    return 1;
}

const char* LoadPChar(int32_t workspace, const char* section, const char* key,
                      const char* defaultValue) {
    g_calls.push_back({"LoadPChar", workspace, Text(section), Text(key), Text(defaultValue)});
    const auto found = g_stored.find({workspace, Text(section), Text(key)});
    const bool isText =
        found != g_stored.end() && std::holds_alternative<std::string>(found->second);
    g_lastText = isText ? std::get<std::string>(found->second) : Text(defaultValue);
    return g_lastText.c_str();
}

}  // extern "C"
