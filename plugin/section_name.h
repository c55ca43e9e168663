#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The settings section of the plug-in: its own file name (no directory) less every ".DLL" in
// any case, less one trailing ".so", less every space, cut to 255 characters.
// "tolvane.so" -> "tolvane", "Extra Tool.DLL" -> "ExtraTool", "a.dll.dll" -> "a".
inline constexpr std::size_t kMaxSectionNameLength = 255;

std::string SectionNameFromFileName(std::string_view fileName);

// The file-name part of a path: everything after the last '/'.
std::string_view FileNameOfPath(std::string_view path);
