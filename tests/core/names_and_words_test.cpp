#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "pipeline/pipeline_counters.h"
#include "plugin/command_word.h"
#include "plugin/error_report.h"
#include "plugin/section_name.h"

namespace {

TEST(SectionName, DropsDllSoAndSpaces) {
    EXPECT_EQ(SectionNameFromFileName("tolvane.so"), "tolvane");
    EXPECT_EQ(SectionNameFromFileName("tolvane.dll"), "tolvane");
    EXPECT_EQ(SectionNameFromFileName("Extra Tool.DLL"), "ExtraTool");
    EXPECT_EQ(SectionNameFromFileName("My Tool.Dll"), "MyTool");
    EXPECT_EQ(SectionNameFromFileName("a.dll.dll"), "a");
    EXPECT_EQ(SectionNameFromFileName("x.DlL.so"), "x");
}

TEST(SectionName, RemovesOnlyATrailingSo) {
    EXPECT_EQ(SectionNameFromFileName("tolvane.so.1"), "tolvane.so.1");
    EXPECT_EQ(SectionNameFromFileName("a.so.so"), "a.so");
    EXPECT_EQ(SectionNameFromFileName(".so"), "");
}

TEST(SectionName, IsCutTo255Characters) {
    const std::string longName(300, 'n');
    EXPECT_EQ(SectionNameFromFileName(longName + ".so").size(), 255u);
}

TEST(SectionName, TakesTheFileNameOfAPath) {
    EXPECT_EQ(FileNameOfPath("/opt/host/plugins/Extra Tool.DLL"), "Extra Tool.DLL");
    EXPECT_EQ(FileNameOfPath("tolvane.so"), "tolvane.so");
    EXPECT_EQ(FileNameOfPath("/dir/"), "");
}

TEST(CommandWord, MatchesWholeWordsInAnyCase) {
    EXPECT_EQ(RecogniseCommand("showhide"), CommandWord::ShowHide);
    EXPECT_EQ(RecogniseCommand("ShowHide"), CommandWord::ShowHide);
    EXPECT_EQ(RecogniseCommand("SHOWHIDE"), CommandWord::ShowHide);
    EXPECT_EQ(RecogniseCommand("show"), CommandWord::Show);
    EXPECT_EQ(RecogniseCommand("Configure"), CommandWord::Configure);
    EXPECT_EQ(RecogniseCommand("hide"), CommandWord::Hide);
    EXPECT_EQ(RecogniseCommand("SaveWorkspace"), CommandWord::SaveWorkspace);
    EXPECT_EQ(RecogniseCommand("OPENWORKSPACE"), CommandWord::OpenWorkspace);
    EXPECT_EQ(RecogniseCommand("resetdata"), CommandWord::ResetData);
}

TEST(CommandWord, IgnoresBlanksExtraWordsEmptyAndNullText) {
    EXPECT_EQ(RecogniseCommand(" SHOW"), CommandWord::None);
    EXPECT_EQ(RecogniseCommand("SHOW "), CommandWord::None);
    EXPECT_EQ(RecogniseCommand("SHOW NOW"), CommandWord::None);
    EXPECT_EQ(RecogniseCommand("SHOW\n"), CommandWord::None);
    EXPECT_EQ(RecogniseCommand(""), CommandWord::None);
    EXPECT_EQ(RecogniseCommand(nullptr), CommandWord::None);
}

TEST(CommandWord, UpperCasesOnlyAsciiLetters) {
    EXPECT_EQ(AsciiUpperCase("sh\xe9w-1"), "SH\xe9W-1");
    EXPECT_EQ(RecogniseCommand("\xf3how"), CommandWord::None);
}

TEST(ErrorReportText, NamesTheEntryPointAndTheFailure) {
    const std::runtime_error error("Unable to open the RS232 port");
    EXPECT_EQ(ErrorReportText("VaComm1", &error),
              "Tolvane: error in VaComm1: Unable to open the RS232 port");
    EXPECT_EQ(ErrorReportText("TTimerSend", nullptr),
              "Tolvane: error in TTimerSend: unknown failure");
    const std::runtime_error placeholders("%1 %2");
    EXPECT_EQ(ErrorReportText("%2", &placeholders), "Tolvane: error in %2: %1 %2");
}

TEST(PipelineCounters, IncrementWrapsInsteadOfOverflowing) {
    int32_t counter = 41;
    EXPECT_EQ(IncrementCounter(counter), 42);
    counter = INT32_MAX;
    EXPECT_EQ(IncrementCounter(counter), INT32_MIN);
}

}  // namespace
