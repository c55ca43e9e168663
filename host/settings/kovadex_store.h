#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <variant>

// The workspaces held in memory: per workspace, values by section and key. Integers and texts
// share one key space.
namespace kovadex {

using StoredValue = std::variant<int32_t, std::string>;
using SectionAndKey = std::pair<std::string, std::string>;
using Workspace = std::map<SectionAndKey, StoredValue>;

std::map<int32_t, Workspace>& Workspaces();

}  // namespace kovadex
