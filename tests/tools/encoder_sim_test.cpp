#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "encoder_sim_command.h"
#include "encoder_sim_line.h"
#include "encoder_sim_policy.h"
#include "encoder_sim_recorder.h"
#include "encoder_sim_session.h"
#include "encoder_sim_summary.h"

namespace encoder_sim {
namespace {

using std::chrono::milliseconds;

std::string nameOf(std::string name) {
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return name;
}

struct CommandCase {
    std::string name;
    std::string line;
    CommandKind kind;
    std::array<std::uint16_t, 3> blocks{};
    std::uint16_t pi = 0;
};

class ParseCommandTest : public testing::TestWithParam<CommandCase> {};

TEST_P(ParseCommandTest, ClassifiesTheLine) {
    const Command command = ParseCommand(GetParam().line);
    EXPECT_EQ(command.kind, GetParam().kind);
    if (command.kind == CommandKind::Group) {
        EXPECT_EQ(command.blocks, GetParam().blocks);
    }
    if (command.kind == CommandKind::Pi) {
        EXPECT_EQ(command.pi, GetParam().pi);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseCommandTest,
    testing::Values(
        CommandCase{"Group", "G=240041424344", CommandKind::Group, {0x2400, 0x4142, 0x4344}},
        CommandCase{"GroupOfZeros", "G=000000000000", CommandKind::Group},
        CommandCase{"Pi", "PI=D3A7", CommandKind::Pi, {}, 0xD3A7},
        CommandCase{"LowerCaseDigits", "G=24004142434a", CommandKind::Malformed},
        CommandCase{"LowerCasePrefix", "pi=D3A7", CommandKind::Malformed},
        CommandCase{"NonHexDigit", "PI=D3G7", CommandKind::Malformed},
        CommandCase{"ElevenDigits", "G=24004142434", CommandKind::Malformed},
        CommandCase{"ThirteenDigits", "G=2400414243444", CommandKind::Malformed},
        CommandCase{"FiveDigitPi", "PI=D3A70", CommandKind::Malformed},
        CommandCase{"TrailingSpace", "PI=D3A7 ", CommandKind::Malformed},
        CommandCase{"SignInDigits", "G=+40041424344", CommandKind::Malformed},
        CommandCase{"OtherCommand", "PS=TOLVANE", CommandKind::Malformed}),
    [](const auto& p) { return p.param.name; });

struct LineCase {
    std::string name;
    std::string bytes;
    // Each line as "KIND text/bytes"; the stream's end (Finish) included.
    std::vector<std::string> lines;
};

class LineAssemblerTest : public testing::TestWithParam<LineCase> {};

std::string describe(const LineAssembler::Line& line) {
    static const char* const kKinds[] = {"TEXT", "EMPTY", "LF",    "OVERLONG",
                                         "REST", "CUT",   "CANCEL"};
    return std::string(kKinds[static_cast<int>(line.kind)]) + " " + line.text + "/" +
           std::to_string(line.bytes);
}

TEST_P(LineAssemblerTest, CutsTheStreamIntoLines) {
    LineAssembler assembler;
    std::vector<std::string> lines;
    for (const char byte : GetParam().bytes) {
        if (const auto line = assembler.Push(byte)) {
            lines.push_back(describe(*line));
        }
    }
    if (const auto line = assembler.Finish()) {
        lines.push_back(describe(*line));
    }
    EXPECT_EQ(lines, GetParam().lines);
}

const std::string kEndless(1000, 'G');

INSTANTIATE_TEST_SUITE_P(
    Streams, LineAssemblerTest,
    testing::Values(
        LineCase{"CarriageReturn", "PI=1234\rG=1\r", {"TEXT PI=1234/8", "TEXT G=1/4"}},
        LineCase{"LineFeedEndsAMalformedLine", "A\nB\n", {"LF A/2", "LF B/2"}},
        LineCase{
            "LfOfCrLfIsALineOfItsOwn", "A\r\nB\r\n", {"TEXT A/2", "LF /1", "TEXT B/2", "LF /1"}},
        LineCase{"LfCrGivesAnEmptyLine", "A\n\rB\r", {"LF A/2", "EMPTY /1", "TEXT B/2"}},
        LineCase{"UnendedLineIsCutAtTheEnd", "A\rB", {"TEXT A/2", "CUT B/1"}},
        LineCase{"NothingIsCutAfterALineEnd", "A\r", {"TEXT A/2"}},
        LineCase{"EndlessLineIsReportedOnceAndResyncs",
                 kEndless + "\rPI=1234\r",
                 {"OVERLONG /65", "REST /936", "TEXT PI=1234/8"}},
        LineCase{"OverlongLineUnendedAtTheEnd", kEndless, {"OVERLONG /65", "REST /935"}},
        LineCase{"CanBeforeCrCancelsTheFragment",
                 "G=24\x18\rPI=1234\r",
                 {"CANCEL G=24/6", "TEXT PI=1234/8"}},
        LineCase{"CanCrAloneIsACancelledLine", "\x18\r\x18\r", {"CANCEL /2", "CANCEL /2"}},
        LineCase{"CanElsewhereIsText", "\x18G=1\r", {"TEXT \x18G=1/5"}},
        LineCase{"CanBeforeLfIsMalformed", "A\x18\n", {"LF A\x18/3"}},
        LineCase{"CanEndingAnOverlongLineCancelsNothing",
                 kEndless + "\x18\r",
                 {"OVERLONG /65", "REST /937"}},
        LineCase{"LongestLineStillFits",
                 std::string(LineAssembler::kMaxLineLength, 'x') + "\r",
                 {"TEXT " + std::string(LineAssembler::kMaxLineLength, 'x') + "/65"}}),
    [](const auto& p) { return p.param.name; });

struct ReplyCase {
    ReplyMode mode;
    std::vector<std::pair<int, std::string>> chunks;
};

class ReplyForTest : public testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyForTest, AnswersInTheModesShape) {
    const ReplyTiming timing{milliseconds(100), milliseconds(10), milliseconds(0)};
    std::vector<std::pair<int, std::string>> chunks;
    for (const ReplyChunk& chunk : ReplyFor(GetParam().mode, "G=240041424344", timing)) {
        chunks.emplace_back(static_cast<int>(chunk.after.count()), chunk.bytes);
    }
    EXPECT_EQ(chunks, GetParam().chunks);
}

const std::string kAck(kEncoderAck);

INSTANTIATE_TEST_SUITE_P(
    Modes, ReplyForTest,
    testing::Values(ReplyCase{ReplyMode::None, {}}, ReplyCase{ReplyMode::Ack, {{0, kAck}}},
                    ReplyCase{ReplyMode::Delayed, {{100, kAck}}},
                    ReplyCase{ReplyMode::Split, {{0, "\r\n+"}, {10, "\r\n\r\n"}}},
                    ReplyCase{ReplyMode::Double, {{0, kAck + kAck}}},
                    ReplyCase{ReplyMode::Echo, {{0, "G=240041424344\r" + kAck}}},
                    ReplyCase{ReplyMode::Foreign, {{0, "\r\n!\r\n\r\n"}}}),
    [](const auto& p) { return std::string(ReplyModeName(p.param.mode)); });

TEST(ReplyFor, AcknowledgementIsTheSevenEncoderBytes) {
    EXPECT_EQ(kAck, std::string("\x0D\x0A\x2B\x0D\x0A\x0D\x0A"));
}

struct CycleCase {
    std::string text;
    bool valid;
};

class ParseCycleTest : public testing::TestWithParam<CycleCase> {};

TEST_P(ParseCycleTest, AcceptsOnlyWellFormedItems) {
    const CycleParse parsed = ParseCycle(GetParam().text);
    EXPECT_EQ(parsed.error.empty(), GetParam().valid) << parsed.error;
    EXPECT_EQ(parsed.phases.empty(), !GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseCycleTest,
    testing::Values(CycleCase{"ack:5", true}, CycleCase{"ack:50,split:20,none:5+close", true},
                    CycleCase{"delayed:3+reset,ack:0+stop", true}, CycleCase{"ack:0", false},
                    CycleCase{"ack", false}, CycleCase{"ack:5,", false}, CycleCase{"loud:5", false},
                    CycleCase{"ack:5+explode", false}, CycleCase{"ack:-1", false},
                    CycleCase{"", false}),
    [](const auto& p) {
        return p.param.text.empty() ? std::string("Empty") : nameOf(p.param.text);
    });

TEST(ReplyPolicy, RotatesThroughPhasesAndFiresEachFaultAtItsEnd) {
    ReplyPolicy policy(ParseCycle("ack:2+close,none:1,split:1+reset").phases);
    std::vector<std::pair<ReplyMode, Fault>> seen;
    for (int i = 0; i < 5; ++i) {
        const auto decision = policy.OnCommand();
        seen.emplace_back(decision.reply, decision.fault);
    }
    const std::vector<std::pair<ReplyMode, Fault>> expected{{ReplyMode::Ack, Fault::None},
                                                            {ReplyMode::Ack, Fault::Close},
                                                            {ReplyMode::None, Fault::None},
                                                            {ReplyMode::Split, Fault::Reset},
                                                            {ReplyMode::Ack, Fault::None}};
    EXPECT_EQ(seen, expected);
}

TEST(ReplyPolicy, PhaseOfNoCommandsFiresAtEveryConnection) {
    ReplyPolicy policy({Phase{ReplyMode::Ack, 0, Fault::StopReading}});
    EXPECT_EQ(policy.OnConnect(), Fault::StopReading);
    EXPECT_EQ(policy.OnConnect(), Fault::StopReading);
}

TEST(IntervalStats, GivesNearestRankPercentiles) {
    IntervalStats stats;
    EXPECT_FALSE(stats.Compute());
    for (int ms = 100; ms >= 1; --ms) {
        stats.Add(ms);
    }
    const auto figures = stats.Compute();
    ASSERT_TRUE(figures);
    EXPECT_EQ(figures->count, 100U);
    EXPECT_EQ(figures->minMs, 1);
    EXPECT_EQ(figures->medianMs, 50);
    EXPECT_EQ(figures->p99Ms, 99);
    EXPECT_EQ(figures->maxMs, 100);
}

MonoTime at(int ms) {
    return milliseconds(ms);
}

TEST(Recorder, WritesGroupsUnderTheLastPiAndSummarises) {
    std::ostringstream groups;
    Recorder recorder(groups);
    recorder.BeginConnection();
    recorder.RecordReceived(72);
    recorder.Record(ParseCommand("G=000100020003"), at(0), 15);
    recorder.Record(ParseCommand("PI=D3A7"), at(10), 8);
    recorder.RecordReplyWritten(at(11));
    recorder.Record(ParseCommand("G=2400ABCD0000"), at(100), 15);
    recorder.Record(ParseCommand("G=2401ABCD0000"), at(200), 15);
    recorder.RecordMalformed(4);
    recorder.RecordEmpty(1);
    recorder.RecordCut(6);
    recorder.RecordAfterFault(true, 8);
    recorder.RecordCancelled(2);
    EXPECT_EQ(groups.str(), "---- 0001 0002 0003\nD3A7 2400 ABCD 0000\nD3A7 2401 ABCD 0000\n");
    EXPECT_EQ(recorder.Summary(),
              "commands: 4\ngroups: 3\npi commands: 1\nmalformed lines: 1\nconnections: 1\n"
              "groups per second: 10.00\n"
              "command interval ms: min 10.0 median 90.0 p99 100.0 max 100.0\n"
              "reply to next command ms: min 89.0 median 89.0 p99 89.0 max 89.0\n"
              "cut commands: 1\nempty lines: 1\ncommands after fault: 1\n"
              "bytes received: 72\nbytes in commands: 53\nbytes in malformed lines: 4\n"
              "bytes in empty lines: 1\nbytes in cut commands: 6\nbytes after fault: 8\n"
              "cancelled lines: 1\nbytes in cancelled lines: 2\n");
}

TEST(Recorder, MeasuresNoIntervalAcrossConnections) {
    std::ostringstream groups;
    Recorder recorder(groups);
    recorder.BeginConnection();
    recorder.Record(ParseCommand("PI=D3A7"), at(0), 8);
    recorder.BeginConnection();
    recorder.Record(ParseCommand("PI=D3A7"), at(5000), 8);
    EXPECT_NE(recorder.Summary().find("command interval ms: none"), std::string::npos);
}

class SessionTest : public testing::Test {
protected:
    Session makeSession(const std::string& cycle, ReplyTiming timing = {}) {
        return Session(ReplyPolicy(ParseCycle(cycle).phases), timing, m_recorder);
    }
    std::ostringstream m_groups;
    Recorder m_recorder{m_groups};
};

TEST_F(SessionTest, DelayedAnswersKeepTheirOrderWithoutDrifting) {
    Session session = makeSession("delayed:100");
    session.Connect(at(0));
    const auto first = session.Receive("G=000000000000\r", at(0));
    const auto second = session.Receive("G=000000000000\r", at(88));
    ASSERT_EQ(first.size(), 1U);
    ASSERT_EQ(second.size(), 1U);
    EXPECT_EQ(first[0].due, at(100));
    EXPECT_EQ(second[0].due, at(188));
}

TEST_F(SessionTest, CloseComesAfterTheLastAnswerAndLaterBytesAreIgnored) {
    Session session = makeSession("split:1+close", {milliseconds(0), milliseconds(10), {}});
    session.Connect(at(0));
    const auto actions = session.Receive("PI=1234\rG=000000000000\r", at(0));
    ASSERT_EQ(actions.size(), 3U);
    EXPECT_EQ(actions[2], (Action{Action::Kind::Close, at(10), {}}));
    EXPECT_EQ(m_recorder.counts().commands, 1);
}

TEST_F(SessionTest, StopReadingHoldsTheRestBackUntilResumed) {
    Session session =
        makeSession("ack:1+stop", {milliseconds(0), milliseconds(0), milliseconds(500)});
    session.Connect(at(0));
    const auto stopped = session.Receive("PI=1234\rG=000000000000\r", at(0));
    ASSERT_EQ(stopped.size(), 3U);
    EXPECT_EQ(stopped[1], (Action{Action::Kind::StopReading, at(0), {}}));
    EXPECT_EQ(stopped[2], (Action{Action::Kind::ResumeReading, at(500), {}}));
    EXPECT_EQ(m_recorder.counts().commands, 1);
    session.Resume(at(500));
    EXPECT_EQ(m_recorder.counts().groups, 1);
}

TEST_F(SessionTest, MalformedLinesGetNoAnswer) {
    Session session = makeSession("ack:5");
    session.Connect(at(0));
    EXPECT_TRUE(session.Receive("G=abc\r" + kEndless + "\r", at(0)).empty());
    EXPECT_EQ(m_recorder.counts().malformed, 2);
}

TEST_F(SessionTest, CancelledLinesGetNoAnswerAndRecordNoGroup) {
    Session session = makeSession("ack:5");
    session.Connect(at(0));
    EXPECT_TRUE(session.Receive("G=240041424344\x18\r\x18\r", at(0)).empty());
    EXPECT_EQ(m_recorder.counts().cancelled, 2);
    EXPECT_EQ(m_groups.str(), "");
}

struct AccountingCase {
    std::string name;
    std::string cycle;
    std::vector<std::string> reads;  // one Receive each, then the connection ends
    std::string lines;               // the line counts, as tally() writes them
    std::string bytes;               // the byte counts, as tally() writes them
};

std::string tallyLines(const Counts& counts) {
    return "commands " + std::to_string(counts.commands) + " malformed " +
           std::to_string(counts.malformed) + " empty " + std::to_string(counts.empty) + " cut " +
           std::to_string(counts.cut) + " after fault " +
           std::to_string(counts.commandsAfterFault) + " cancelled " +
           std::to_string(counts.cancelled);
}

std::string tallyBytes(const ByteCounts& bytes) {
    return "commands " + std::to_string(bytes.commands) + " malformed " +
           std::to_string(bytes.malformed) + " empty " + std::to_string(bytes.empty) + " cut " +
           std::to_string(bytes.cut) + " after fault " + std::to_string(bytes.afterFault) +
           " cancelled " + std::to_string(bytes.cancelled);
}

class SessionAccountingTest : public testing::TestWithParam<AccountingCase> {};

TEST_P(SessionAccountingTest, CountsEveryReceivedByteInExactlyOnePart) {
    std::ostringstream groups;
    Recorder recorder(groups);
    Session session(ReplyPolicy(ParseCycle(GetParam().cycle).phases), {}, recorder);
    session.Connect(at(0));
    std::int64_t fed = 0;
    for (const std::string& bytes : GetParam().reads) {
        session.Receive(bytes, at(0));
        fed += static_cast<std::int64_t>(bytes.size());
    }
    session.Disconnect();
    const Counts& counts = recorder.counts();
    EXPECT_EQ(tallyLines(counts), GetParam().lines);
    EXPECT_EQ(tallyBytes(counts.bytes), GetParam().bytes);
    EXPECT_EQ(counts.bytes.received, fed);
    EXPECT_EQ(counts.bytes.Parts(), fed);
}

const std::string kPi = "PI=D3A7";
const std::string kGroup = "G=240041424344";

INSTANTIATE_TEST_SUITE_P(
    Streams, SessionAccountingTest,
    testing::Values(
        AccountingCase{"CrEndedCommands",
                       "ack:100",
                       {kPi + "\r" + kGroup + "\r"},
                       "commands 2 malformed 0 empty 0 cut 0 after fault 0 cancelled 0",
                       "commands 23 malformed 0 empty 0 cut 0 after fault 0 cancelled 0"},
        AccountingCase{"CrLfGivesAMalformedLineAfterEachCommand",
                       "ack:100",
                       {kPi + "\r\n" + kGroup + "\r\n"},
                       "commands 2 malformed 2 empty 0 cut 0 after fault 0 cancelled 0",
                       "commands 23 malformed 2 empty 0 cut 0 after fault 0 cancelled 0"},
        AccountingCase{"LfEndedCommandsAreMalformed",
                       "ack:100",
                       {kPi + "\n" + kGroup + "\n"},
                       "commands 0 malformed 2 empty 0 cut 0 after fault 0 cancelled 0",
                       "commands 0 malformed 23 empty 0 cut 0 after fault 0 cancelled 0"},
        AccountingCase{"LoneCrIsAnEmptyLineNotACommand",
                       "ack:100",
                       {"\r" + kPi + "\r\r"},
                       "commands 1 malformed 0 empty 2 cut 0 after fault 0 cancelled 0",
                       "commands 8 malformed 0 empty 2 cut 0 after fault 0 cancelled 0"},
        AccountingCase{"CommandCutByTheEndOfTheConnection",
                       "ack:100",
                       {kPi + "\rG=24", "00"},
                       "commands 1 malformed 0 empty 0 cut 1 after fault 0 cancelled 0",
                       "commands 8 malformed 0 empty 0 cut 6 after fault 0 cancelled 0"},
        AccountingCase{"OverlongLineCountsAllItsBytesAsMalformed",
                       "ack:100",
                       {kEndless + "\r", kEndless},
                       "commands 0 malformed 2 empty 0 cut 0 after fault 0 cancelled 0",
                       "commands 0 malformed 2001 empty 0 cut 0 after fault 0 cancelled 0"},
        AccountingCase{"CloseCountsTheRestOfTheSameReadAfterTheFault",
                       "ack:1+close",
                       {kPi + "\r" + kGroup + "\rG=2400"},
                       "commands 1 malformed 0 empty 0 cut 0 after fault 1 cancelled 0",
                       "commands 8 malformed 0 empty 0 cut 0 after fault 21 cancelled 0"},
        AccountingCase{"ResetCountsLaterReadsAfterTheFault",
                       "ack:1+reset",
                       {kPi + "\r", kGroup + "\r\n"},
                       "commands 1 malformed 0 empty 0 cut 0 after fault 1 cancelled 0",
                       "commands 8 malformed 0 empty 0 cut 0 after fault 16 cancelled 0"},
        AccountingCase{"StopThatNeverEndsCountsWhatItHeldBackAfterTheFault",
                       "ack:1+stop",
                       {kPi + "\r" + kGroup + "\r" + kGroup + "\r"},
                       "commands 1 malformed 0 empty 0 cut 0 after fault 2 cancelled 0",
                       "commands 8 malformed 0 empty 0 cut 0 after fault 30 cancelled 0"},
        AccountingCase{"CancelLineAfterAReopenIsNoCommand",
                       "ack:100",
                       {"\x18\r" + kPi + "\r"},
                       "commands 1 malformed 0 empty 0 cut 0 after fault 0 cancelled 1",
                       "commands 8 malformed 0 empty 0 cut 0 after fault 0 cancelled 2"},
        AccountingCase{"FragmentAndCanAreOneCancelledLine",
                       "ack:100",
                       {"G=2400\x18", "\r" + kGroup + "\r"},
                       "commands 1 malformed 0 empty 0 cut 0 after fault 0 cancelled 1",
                       "commands 15 malformed 0 empty 0 cut 0 after fault 0 cancelled 8"},
        AccountingCase{"CancelLineAfterACloseCountsAfterTheFault",
                       "ack:1+close",
                       {kPi + "\r\x18\r"},
                       "commands 1 malformed 0 empty 0 cut 0 after fault 0 cancelled 0",
                       "commands 8 malformed 0 empty 0 cut 0 after fault 2 cancelled 0"},
        AccountingCase{"StopAtConnectCountsEverythingAfterTheFault",
                       "ack:0+stop",
                       {kGroup + "\r"},
                       "commands 0 malformed 0 empty 0 cut 0 after fault 1 cancelled 0",
                       "commands 0 malformed 0 empty 0 cut 0 after fault 15 cancelled 0"}),
    [](const auto& p) { return p.param.name; });

struct SenderFaultCase {
    std::string name;
    std::vector<std::pair<std::string, std::string>> edits;  // of a clean run's summary
    std::vector<std::string> faults;
    CancelledLines cancelled = CancelledLines::AreFaults;
};

class SenderFaultsTest : public testing::TestWithParam<SenderFaultCase> {};

TEST_P(SenderFaultsTest, NamesWhatACorrectSenderNeverCauses) {
    std::ostringstream groups;
    Recorder recorder(groups);
    recorder.BeginConnection();
    recorder.RecordReceived(23);
    recorder.Record(ParseCommand(kPi), at(0), 8);
    recorder.Record(ParseCommand(kGroup), at(10), 15);
    std::string summary = recorder.Summary();
    for (const auto& [from, to] : GetParam().edits) {
        const std::size_t at = summary.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        summary.replace(at, from.size(), to);
    }
    EXPECT_EQ(SenderFaults(summary, GetParam().cancelled), GetParam().faults) << summary;
}

INSTANTIATE_TEST_SUITE_P(
    Summaries, SenderFaultsTest,
    testing::Values(
        SenderFaultCase{"CleanRun", {}, {}},
        SenderFaultCase{"MalformedLines",
                        {{"malformed lines: 0", "malformed lines: 2"}},
                        {"malformed lines: 2"}},
        SenderFaultCase{"EmptyLines", {{"empty lines: 0", "empty lines: 1"}}, {"empty lines: 1"}},
        SenderFaultCase{
            "CutCommand", {{"cut commands: 0", "cut commands: 1"}}, {"cut commands: 1"}},
        SenderFaultCase{"BytesThatDoNotAddUp",
                        {{"bytes received: 23", "bytes received: 24"}},
                        {"bytes received 24, 23 in its parts"}},
        SenderFaultCase{"BytesAfterTheSimulatorsOwnFaultAreNotTheSenders",
                        {{"bytes received: 23", "bytes received: 30"},
                         {"bytes after fault: 0", "bytes after fault: 7"}},
                        {}},
        SenderFaultCase{"CancelledLinesFromATcpSender",
                        {{"bytes received: 23", "bytes received: 25"},
                         {"cancelled lines: 0", "cancelled lines: 1"},
                         {"bytes in cancelled lines: 0", "bytes in cancelled lines: 2"}},
                        {"cancelled lines: 1"}},
        SenderFaultCase{"OneCancelledLinePerReconnectOfASerialSender",
                        {{"connections: 1", "connections: 3"},
                         {"bytes received: 23", "bytes received: 27"},
                         {"cancelled lines: 0", "cancelled lines: 2"},
                         {"bytes in cancelled lines: 0", "bytes in cancelled lines: 4"}},
                        {},
                        CancelledLines::OnePerReconnect},
        SenderFaultCase{"MoreCancelledLinesThanReconnects",
                        {{"connections: 1", "connections: 2"},
                         {"bytes received: 23", "bytes received: 27"},
                         {"cancelled lines: 0", "cancelled lines: 2"},
                         {"bytes in cancelled lines: 0", "bytes in cancelled lines: 4"}},
                        {"cancelled lines: 2, more than the 1 reconnects"},
                        CancelledLines::OnePerReconnect},
        SenderFaultCase{"SummaryWithoutTheLine",
                        {{"cut commands: 0\n", ""}},
                        {"no number in the line \"cut commands\""}}),
    [](const auto& p) { return p.param.name; });

}  // namespace
}  // namespace encoder_sim
