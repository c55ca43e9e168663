#include "workspace_format.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "core/workspace_samples.h"

namespace {

using kovadex::FormatWorkspace;
using kovadex::ParseWorkspace;
using kovadex::StoredValue;
using kovadex::Workspace;
using kovadex_test::HostileWorkspace;
using ::testing::HasSubstr;

const std::string kHead = "[General]\nformat=kovadex-workspace-1\n";

struct TextCase {
    const char* name;
    std::string text;
    std::string section;
    std::string key;
    StoredValue value;
};

class WorkspaceFormatReads : public ::testing::TestWithParam<TextCase> {};

TEST_P(WorkspaceFormatReads, TheValueThatTheTextHolds) {
    const kovadex::ParsedWorkspace parsed = ParseWorkspace(GetParam().text);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const Workspace expected = {{{GetParam().section, GetParam().key}, GetParam().value}};
    EXPECT_EQ(parsed.workspace, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WorkspaceFormatReads,
    ::testing::Values(
        TextCase{"CrLfAndCrLineEnds", "[General]\r\nformat=kovadex-workspace-1\r[t]\r\nk=1", "t",
                 "k", 1},
        TextCase{"ByteOrderMark", "\xEF\xBB\xBF" + kHead + "[t]\nk=1\n", "t", "k", 1},
        TextCase{"Comments", "; a\n# b\n" + kHead + "[t] ; c\n  ; d\nk=1 ; e\n", "t", "k", 1},
        TextCase{"LaterLineWins", kHead + "[t]\nk=1\n[u]\n[t]\nk=2\n", "t", "k", 2},
        TextCase{"FormatLineAnywhere", "[t]\nk=1\n[general]\nformat=kovadex-workspace-1\n", "t",
                 "k", 1},
        TextCase{"SectionNamedGeneral", kHead + "[%General]\nk=1\n", "General", "k", 1},
        TextCase{"SectionNamedGeneralInSmallLetters", kHead + "[%general]\nk=1\n", "general", "k",
                 1},
        TextCase{"EncodedTwice", kHead + "[a%2520b]\n%2500=1\n", "a b", "", 1},
        TextCase{"EncodedOnce", kHead + "[a%20b]\n%U0041%41=1\n", "a b", "AA", 1},
        TextCase{"PercentWithoutDigits", kHead + "[100%]\nk%=1\n", "100%", "k%", 1},
        TextCase{"BackslashIsSlash", kHead + "[t]\na\\b=1\n", "t", "a/b", 1},
        TextCase{"OctalAndHexEscapes", kHead + "[t]\nk=@ByteArray(\\0\\101\\x042\\x7f\\xFF)\n", "t",
                 "k", std::string("\0AB\x7f\xff", 5)},
        TextCase{"SimpleEscapes", kHead + "[t]\nk=\"\\a\\b\\f\\n\\r\\t\\v\\\"\\'\\?\\\\\"\n", "t",
                 "k", std::string("\a\b\f\n\r\t\v\"'?\\")},
        TextCase{"QuotedByteArray", kHead + "[t]\nk=\"@ByteArray(a,b;c=d)\"\n", "t", "k",
                 std::string("a,b;c=d")},
        TextCase{"EscapedAtSign", kHead + "[t]\nk=\\x40@x\n", "t", "k", std::string("@x")},
        TextCase{"LeadingZeros", kHead + "[t]\nk=010\n", "t", "k", 10},
        TextCase{"QuotedNumber", kHead + "[t]\nk=\"-7\"\n", "t", "k", -7},
        TextCase{"Largest", kHead + "[t]\nk=2147483647\n", "t", "k", INT32_MAX}),
    [](const auto& p) { return std::string(p.param.name); });

struct RefusedText {
    const char* name;
    std::string text;
    const char* message;
};

class WorkspaceFormatRefuses : public ::testing::TestWithParam<RefusedText> {};

TEST_P(WorkspaceFormatRefuses, TheTextWithAMessage) {
    const kovadex::ParsedWorkspace parsed = ParseWorkspace(GetParam().text);
    EXPECT_FALSE(parsed.ok);
    EXPECT_THAT(parsed.error, HasSubstr(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WorkspaceFormatRefuses,
    ::testing::Values(
        RefusedText{"Empty", "", "is not a workspace file"},
        RefusedText{"OtherFormat", "[General]\nformat=kovadex-workspace-2\n",
                    "is not a workspace file"},
        RefusedText{"HexInteger", kHead + "[t]\nk=0x1F\n",
                    "at line 4 the value of k in [t] is neither a number nor a text (it is no "
                    "decimal integer in 32 bits)"},
        RefusedText{"BelowThirtyTwoBits", kHead + "[t]\nk=-2147483649\n", "no decimal integer"},
        RefusedText{"Blank", kHead + "[t]\nk=5 5\n", "no decimal integer"},
        RefusedText{"List", kHead + "[t]\nk=a,b\n", "an unquoted comma makes a list"},
        RefusedText{"QuoteInside", kHead + "[t]\nk=a\"b\"\n", "a quote stands inside it"},
        RefusedText{"TextAfterQuote", kHead + "[t]\nk=\"a\" b\n", "text follows its closing quote"},
        RefusedText{"OpenQuote", kHead + "[t]\nk=\"a\n", "its quote is not closed"},
        RefusedText{"LoneBackslash", kHead + "[t]\nk=a\\\n", "it ends in a lone backslash"},
        RefusedText{"UnknownEscape", kHead + "[t]\nk=C:\\dir\n", "\\d is no escape of a byte"},
        RefusedText{"EscapeBeyondAByte", kHead + "[t]\nk=@ByteArray(\\x100)\n",
                    "\\x is no escape of a byte"},
        RefusedText{"OctalBeyondAByte", kHead + "[t]\nk=@ByteArray(\\400)\n",
                    "\\4 is no escape of a byte"},
        RefusedText{"OctalDigitsOnPastAByte", kHead + "[t]\nk=\\21474/\n",
                    "\\2 is no escape of a byte"},
        RefusedText{"HexEscapeWithoutDigits", kHead + "[t]\nk=@ByteArray(\\x)\n",
                    "\\x is no escape of a byte"},
        RefusedText{"OtherType", kHead + "[t]\nk=@Rect(1 2 3 4)\n",
                    "a kind of value that the store does not hold"},
        RefusedText{"LoneAtSign", kHead + "[t]\nk=@\n", "a kind of value"},
        RefusedText{"FormatIsNoText", "[General]\nformat=1\n", "is not a workspace file"},
        RefusedText{"MoreInGeneral", kHead + "Top=1\n",
                    "[General] holds only the format line, not Top"},
        RefusedText{"NoEquals", kHead + "[t]\nk\n",
                    "is not a valid INI file: line 4 is neither a section header nor a key=value"},
        RefusedText{"NoKey", kHead + "[t]\n=1\n", "line 4 has no key"},
        RefusedText{"KeyBeyondAByte", kHead + "[t]\n%U0100=1\n", "line 4 has no key"},
        RefusedText{"OpenSection", kHead + "[t\n", "line 3 has a '[' without its ']'"},
        RefusedText{"TextAfterSection", kHead + "[t]x\n", "line 3 has text after"},
        RefusedText{"NulByte", kHead + std::string("[t]\nk=a\0b\n", 10), "line 4 holds a NUL"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(WorkspaceFormat, ParsesDecimalIntegersOnly) {
    const std::vector<std::pair<std::string, std::optional<int32_t>>> cases = {
        {"0", 0},
        {"010", 10},
        {"-0", 0},
        {"-2147483648", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"2147483648", {}},
        {"-2147483649", {}},
        {"0x1F", {}},
        {"+5", {}},
        {" 5", {}},
        {"5 ", {}},
        {"", {}},
        {"-", {}},
        {"1e3", {}},
        {"99999999999999999999", {}}};
    for (const auto& [text, number] : cases) {
        EXPECT_EQ(kovadex::ParseDecimalInteger(text), number) << '"' << text << '"';
    }
}

TEST(WorkspaceFormat, WritesTheSampleAsItsFixedText) {
    EXPECT_EQ(FormatWorkspace(kovadex_test::SampleWorkspace()), kovadex_test::kSampleFileText);
    const kovadex::ParsedWorkspace parsed = ParseWorkspace(kovadex_test::kSampleFileText);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.workspace, kovadex_test::SampleWorkspace());
}

TEST(WorkspaceFormat, ReadsBackWhatItWrites) {
    const Workspace workspace = HostileWorkspace();
    const kovadex::ParsedWorkspace parsed = ParseWorkspace(FormatWorkspace(workspace));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.workspace, workspace);
}

}  // namespace
