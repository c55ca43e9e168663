#include "workspace_format.h"

#include <algorithm>
#include <map>
#include <utility>

namespace kovadex {

namespace {

constexpr std::string_view kFormatKey = "format";
constexpr std::string_view kFormatName = "kovadex-workspace-1";
constexpr std::string_view kByteArrayStart = "@ByteArray(";
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kLowerHexDigits[] = "0123456789abcdef";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetterOrDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int HexValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lowerCase) {
    if (text.size() != lowerCase.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (c != lowerCase[i]) {
            return false;
        }
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// Reads up to `count` hexadecimal digits at `at` (all of them when count is 0); -1 when there
// is none or when the value passes `limit`.
long ReadHex(std::string_view text, std::size_t& at, std::size_t count, long limit) {
    long value = -1;
    std::size_t read = 0;
    while (at < text.size() && HexValue(text[at]) >= 0 && (count == 0 || read < count)) {
        value = (value < 0 ? 0 : value) * 16 + HexValue(text[at]);
        if (value > limit) {
            return -1;
        }
        ++at;
        ++read;
    }
    return count != 0 && read != count ? -1 : value;
}

// Undoes QSettings' escaping of a key or section name ("%XX", "%UXXXX", a backslash for "/");
// none when a character does not fit in a byte.
std::optional<std::string> UnescapeSettingsName(std::string_view text) {
    std::string name;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i++];
        if (c != '%') {
            name.push_back(c == '\\' ? '/' : c);
            continue;
        }
        std::size_t at = i + 1;
        long value = i < text.size() && text[i] == 'U' ? ReadHex(text, at, 4, 0xFFFF) : -1;
        if (value < 0) {
            at = i;
            value = ReadHex(text, at, 2, 0xFF);
        }
        if (value < 0) {
            name.push_back('%');
            continue;
        }
        if (value > 0xFF) {
            return std::nullopt;
        }
        name.push_back(static_cast<char>(value));
        i = at;
    }
    return name;
}

// Undoes the store's percent-encoding; a '%' without two hexadecimal digits stays.
std::string PercentDecode(std::string_view text) {
    std::string name;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t at = i + 1;
        const long value = text[i] == '%' ? ReadHex(text, at, 2, 0xFF) : -1;
        if (value >= 0) {
            name.push_back(static_cast<char>(value));
            i = at - 1;
        } else {
            name.push_back(text[i]);
        }
    }
    return name;
}

// An encoded NUL, which no C text holds, is the empty name.
std::optional<std::string> DecodeName(std::string_view text) {
    const std::optional<std::string> unescaped = UnescapeSettingsName(text);
    if (!unescaped) {
        return std::nullopt;
    }
    std::string name = PercentDecode(*unescaped);
    return name == std::string(1, '\0') ? std::string() : name;
}

std::string EncodeName(std::string_view name) {
    if (name.empty()) {
        return "%00";
    }
    std::string encoded;
    for (const char c : name) {
        if (IsLetterOrDigit(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded.push_back(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            encoded += {'%', kHexDigits[byte >> 4], kHexDigits[byte & 15]};
        }
    }
    return encoded;
}

// QSettings' escaping of a key: letters, digits and "-._" stay, every other byte is "%XX".
std::string EscapeSettingsName(std::string_view name) {
    std::string escaped;
    for (const char c : name) {
        if (IsLetterOrDigit(c) || c == '-' || c == '.' || c == '_') {
            escaped.push_back(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            escaped += {'%', kHexDigits[byte >> 4], kHexDigits[byte & 15]};
        }
    }
    return escaped;
}

// "[General]" in any letter case is the top-level section, so a settings section of that
// name is written with a '%' before it, which QSettings reads back in the same case.
std::string SectionHeader(const std::string& encoded) {
    if (EqualsIgnoringCase(encoded, "general")) {
        return "[%" + encoded + "]";
    }
    return "[" + EscapeSettingsName(encoded) + "]";
}

}  // namespace

namespace {

// A value as the file holds it, or why it is neither a number nor a text.
struct DecodedValue {
    std::optional<StoredValue> value;
    std::string reason;
};

DecodedValue Refused(std::string reason) {
    return {std::nullopt, std::move(reason)};
}

// The escapes that QSettings writes and reads: \a \b \f \n \r \t \v \" \' \? \\, \x with
// hexadecimal digits and \ with octal digits, each giving one byte.
bool Unescape(std::string_view text, std::string& bytes, std::string& reason) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes.push_back(text[i]);
            continue;
        }
        if (++i == text.size()) {
            reason = "it ends in a lone backslash";
            return false;
        }
        static constexpr std::string_view kFrom = "abfnrtv\"'?\\", kTo = "\a\b\f\n\r\t\v\"'?\\";
        long value = -1;
        std::size_t at = i + 1;
        if (const std::size_t simple = kFrom.find(text[i]); simple != std::string_view::npos) {
            value = static_cast<unsigned char>(kTo[simple]);
        } else if (text[i] == 'x') {
            value = ReadHex(text, at, 0, 0xFF);
        } else if (text[i] >= '0' && text[i] <= '7') {
            // Every octal digit belongs to the escape; past a byte the value stops growing.
            for (at = i, value = 0; at < text.size() && text[at] >= '0' && text[at] <= '7'; ++at) {
                value = std::min(value * 8 + (text[at] - '0'), 0x100L);
            }
        }
        if (value < 0 || value > 0xFF) {
            reason = "\\" + std::string(1, text[i]) + " is no escape of a byte";
            return false;
        }
        bytes.push_back(static_cast<char>(value));
        i = at - 1;
    }
    return true;
}

// Where a quoted value's closing quote is, skipping escaped characters; npos when none.
std::size_t ClosingQuote(std::string_view text) {
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == '"') {
            return i;
        }
    }
    return std::string_view::npos;
}

// The bytes of a value after '=': either one quoted string, or up to a ';' comment with no
// quote and no unescaped comma (QSettings would read a list).
bool ValueBytes(std::string_view text, std::string& bytes, std::string& reason) {
    if (!text.empty() && text.front() == '"') {
        const std::size_t close = ClosingQuote(text);
        if (close == std::string_view::npos) {
            reason = "its quote is not closed";
            return false;
        }
        const std::string_view after = Trim(text.substr(close + 1));
        if (!after.empty() && after.front() != ';') {
            reason = "text follows its closing quote";
            return false;
        }
        return Unescape(text.substr(1, close - 1), bytes, reason);
    }
    std::size_t end = 0;
    for (; end < text.size() && text[end] != ';'; ++end) {
        if (text[end] == '"' || text[end] == ',') {
            reason =
                text[end] == '"' ? "a quote stands inside it" : "an unquoted comma makes a list";
            return false;
        }
        end += text[end] == '\\' ? 1 : 0;
    }
    return Unescape(Trim(text.substr(0, std::min(end, text.size()))), bytes, reason);
}

// @ByteArray(...) and @@ are texts; any other '@' is a type of QSettings that the store does
// not hold. A value that starts like a number must be one; any other value is a text.
DecodedValue ClassifyValue(std::string bytes) {
    if (bytes.size() > kByteArrayStart.size() &&
        bytes.compare(0, kByteArrayStart.size(), kByteArrayStart) == 0 && bytes.back() == ')') {
        return {bytes.substr(kByteArrayStart.size(), bytes.size() - kByteArrayStart.size() - 1),
                {}};
    }
    if (bytes.compare(0, 2, "@@") == 0) {
        return {bytes.substr(1), {}};
    }
    if (!bytes.empty() && bytes.front() == '@') {
        return Refused("it is a kind of value that the store does not hold");
    }
    if (!bytes.empty() &&
        (IsDigit(bytes.front()) || bytes.front() == '+' || bytes.front() == '-')) {
        if (const std::optional<int32_t> number = ParseDecimalInteger(bytes)) {
            return {*number, {}};
        }
        return Refused("it is no decimal integer in 32 bits");
    }
    return {std::move(bytes), {}};
}

DecodedValue DecodeValue(std::string_view text) {
    std::string bytes;
    std::string reason;
    if (!ValueBytes(Trim(text), bytes, reason)) {
        return Refused(reason);
    }
    return ClassifyValue(std::move(bytes));
}

void AppendHexEscape(std::string& escaped, unsigned char byte) {
    escaped += "\\x";
    if (byte >= 16) {
        escaped.push_back(kLowerHexDigits[byte >> 4]);
    }
    escaped.push_back(kLowerHexDigits[byte & 15]);
}

// "@ByteArray(...)" as QSettings writes it: control bytes, DEL and bytes above 127 as \x
// escapes, and a hexadecimal digit right after a \x or \0 escape escaped too, so that it is
// not read as part of that escape. A value with ',', ';' or '=' is quoted.
std::string ByteArrayValue(const std::string& text) {
    static constexpr std::string_view kSimple = "\a\b\t\n\v\f\r", kLetters = "abtnvfr";
    std::string escaped(kByteArrayStart);
    bool quoted = false;
    bool escapeHexDigit = false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        quoted = quoted || c == ',' || c == ';' || c == '=';
        if (escapeHexDigit && HexValue(c) >= 0) {
            AppendHexEscape(escaped, byte);
            continue;
        }
        escapeHexDigit = byte == 0 || (byte <= 0x1F && kSimple.find(c) == std::string_view::npos) ||
                         byte >= 0x7F;
        if (byte == 0) {
            escaped += "\\0";
        } else if (const std::size_t simple = kSimple.find(c); simple != std::string_view::npos) {
            escaped += {'\\', kLetters[simple]};
        } else if (c == '"' || c == '\\') {
            escaped += {'\\', c};
        } else if (escapeHexDigit) {
            AppendHexEscape(escaped, byte);
        } else {
            escaped.push_back(c);
        }
    }
    escaped.push_back(')');
    return quoted ? '"' + escaped + '"' : escaped;
}

}  // namespace

namespace {

struct ParseState {
    std::optional<std::string> section;  // none: [General], the top level
    std::map<std::string, StoredValue> general;
    Workspace workspace;
    std::string valueError;  // the first value that is neither a number nor a text
};

std::string SectionText(const ParseState& state) {
    return "[" + state.section.value_or("General") + "]";
}

bool ReadSectionLine(std::string_view line, ParseState& state, std::string& error) {
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) {
        error = "has a '[' without its ']'";
        return false;
    }
    const std::string_view after = Trim(line.substr(close + 1));
    if (!after.empty() && after.front() != ';' && after.front() != '#') {
        error = "has text after its section's ']'";
        return false;
    }
    const std::string_view name = Trim(line.substr(1, close - 1));
    if (EqualsIgnoringCase(name, "general")) {
        state.section.reset();
    } else if (!name.empty() && name.front() == '%' &&
               EqualsIgnoringCase(name.substr(1), "general")) {
        state.section = std::string(name.substr(1));
    } else if (std::optional<std::string> decoded = DecodeName(name)) {
        state.section = std::move(*decoded);
    } else {
        error = "names a section with a character beyond a byte";
        return false;
    }
    return true;
}

bool ReadKeyLine(std::string_view line, int number, ParseState& state, std::string& error) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        error = "is neither a section header nor a key=value line";
        return false;
    }
    const std::string_view name = Trim(line.substr(0, equals));
    const std::optional<std::string> key = name.empty() ? std::nullopt : DecodeName(name);
    if (!key) {
        error = "has no key, or one with a character beyond a byte";
        return false;
    }
    DecodedValue value = DecodeValue(line.substr(equals + 1));
    if (!value.value) {
        if (state.valueError.empty()) {
            state.valueError = "is refused: at line " + std::to_string(number) + " the value of " +
                               *key + " in " + SectionText(state) +
                               " is neither a number nor a text (" + value.reason + ")";
        }
    } else if (state.section) {
        state.workspace[{*state.section, *key}] = std::move(*value.value);
    } else {
        state.general[*key] = std::move(*value.value);
    }
    return true;
}

bool ReadLine(std::string_view line, int number, ParseState& state, std::string& error) {
    if (line.find('\0') != std::string_view::npos) {
        error = "holds a NUL byte";
        return false;
    }
    if (line.empty() || line.front() == ';' || line.front() == '#') {
        return true;
    }
    if (line.front() == '[') {
        return ReadSectionLine(line, state, error);
    }
    return ReadKeyLine(line, number, state, error);
}

ParsedWorkspace Finish(ParseState state) {
    const auto format = state.general.find(std::string(kFormatKey));
    const auto* name =
        format == state.general.end() ? nullptr : std::get_if<std::string>(&format->second);
    if (name == nullptr || *name != kFormatName) {
        return {false, {}, "is not a workspace file (no line \"format=kovadex-workspace-1\")"};
    }
    for (const auto& [key, value] : state.general) {
        if (key != kFormatKey) {
            return {false, {}, "is refused: [General] holds only the format line, not " + key};
        }
    }
    if (!state.valueError.empty()) {
        return {false, {}, state.valueError};
    }
    return {true, std::move(state.workspace), {}};
}

std::string ValueText(const StoredValue& value) {
    if (const auto* number = std::get_if<int32_t>(&value)) {
        return std::to_string(*number);
    }
    return ByteArrayValue(std::get<std::string>(value));
}

}  // namespace

std::optional<int32_t> ParseDecimalInteger(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    text.remove_prefix(negative ? 1 : 0);
    if (text.empty()) {
        return std::nullopt;
    }
    int64_t value = 0;
    for (const char c : text) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > int64_t{INT32_MAX} + 1) {
            return std::nullopt;
        }
    }
    value = negative ? -value : value;
    if (value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

// Lines end at LF, CR LF or CR; a UTF-8 byte order mark before the first line is skipped.
ParsedWorkspace ParseWorkspace(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    ParseState state;
    for (int number = 1; !text.empty(); ++number) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        const std::string_view line = text.substr(0, end);
        const bool crlf = text.compare(end, 2, "\r\n") == 0;
        text.remove_prefix(std::min(text.size(), end + (crlf ? 2 : 1)));
        std::string error;
        if (!ReadLine(Trim(line), number, state, error)) {
            return {
                false, {}, "is not a valid INI file: line " + std::to_string(number) + " " + error};
        }
    }
    return Finish(std::move(state));
}

// Sections and keys in the order of their encoded names, as QSettings writes them.
std::string FormatWorkspace(const Workspace& workspace) {
    std::map<std::string, std::map<std::string, const StoredValue*>> sections;
    for (const auto& [name, value] : workspace) {
        sections[EncodeName(name.first)][EncodeName(name.second)] = &value;
    }
    std::string text = "[General]\nformat=kovadex-workspace-1\n";
    for (const auto& [section, keys] : sections) {
        text += "\n" + SectionHeader(section) + "\n";
        for (const auto& [key, value] : keys) {
            text += EscapeSettingsName(key) + "=" + ValueText(*value) + "\n";
        }
    }
    return text;
}

}  // namespace kovadex
