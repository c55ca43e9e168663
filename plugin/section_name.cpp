#include "plugin/section_name.h"

#include <algorithm>
#include <cctype>

namespace {

bool EqualsIgnoringCase(std::string_view text, std::string_view upperCaseWord) {
    return std::equal(
        text.begin(), text.end(), upperCaseWord.begin(), upperCaseWord.end(),
        [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
}

std::string RemoveEveryDll(std::string_view name) {
    constexpr std::string_view kDll = ".DLL";
    std::string result;
    result.reserve(name.size());
    std::size_t i = 0;
    while (i < name.size()) {
        if (name.size() - i >= kDll.size() &&
            EqualsIgnoringCase(name.substr(i, kDll.size()), kDll)) {
            i += kDll.size();
        } else {
            result.push_back(name[i]);
            ++i;
        }
    }
    return result;
}

}  // namespace

std::string_view FileNameOfPath(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string SectionNameFromFileName(std::string_view fileName) {
    std::string name = RemoveEveryDll(fileName);
    constexpr std::string_view kSo = ".so";
    if (name.size() >= kSo.size() && name.compare(name.size() - kSo.size(), kSo.size(), kSo) == 0) {
        name.erase(name.size() - kSo.size());
    }
    std::erase(name, ' ');
    if (name.size() > kMaxSectionNameLength) {
        name.resize(kMaxSectionNameLength);
    }
    return name;
}
