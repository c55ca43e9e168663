#include "kovadex.h"

#include <map>
#include <string>
#include <tuple>
#include <variant>

// Workspaces held in memory for the life of the process. Integers and texts share one key
// space: a key saved as text and read as an integer (or the other way round) reads as absent.
namespace {

using StoreKey = std::tuple<int32_t, std::string, std::string>;
using StoredValue = std::variant<int32_t, std::string>;

std::map<StoreKey, StoredValue>& Store() {
    static std::map<StoreKey, StoredValue> store;
    return store;
}

std::string& LastLoadedText() {
    static std::string text;
    return text;
}

std::string Text(const char* text) {
    return text == nullptr ? std::string() : std::string(text);
}

StoreKey MakeKey(int32_t workspace, const char* section, const char* key) {
    return {workspace, Text(section), Text(key)};
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int32_t SaveInteger(int32_t workspace, const char* section,
                                                           const char* key, int32_t value) {
    try {
        Store()[MakeKey(workspace, section, key)] = value;
        return 1;
    } catch (...) {
        return 0;
    }
}

__attribute__((visibility("default"))) int32_t LoadInteger(int32_t workspace, const char* section,
                                                           const char* key, int32_t defaultValue) {
    try {
        const auto found = Store().find(MakeKey(workspace, section, key));
        if (found != Store().end() && std::holds_alternative<int32_t>(found->second)) {
            return std::get<int32_t>(found->second);
        }
    } catch (...) {
    }
    return defaultValue;
}

__attribute__((visibility("default"))) int32_t SavePChar(int32_t workspace, const char* section,
                                                         const char* key, const char* value) {
    try {
        Store()[MakeKey(workspace, section, key)] = Text(value);
        return 1;
    } catch (...) {
        return 0;
    }
}

__attribute__((visibility("default"))) const char* LoadPChar(int32_t workspace, const char* section,
                                                             const char* key,
                                                             const char* defaultValue) {
    std::string& last = LastLoadedText();
    try {
        const auto found = Store().find(MakeKey(workspace, section, key));
        if (found != Store().end() && std::holds_alternative<std::string>(found->second)) {
            last = std::get<std::string>(found->second);
        } else {
            last = Text(defaultValue);
        }
    } catch (...) {
        last.clear();
    }
    return last.c_str();
}

}  // extern "C"
