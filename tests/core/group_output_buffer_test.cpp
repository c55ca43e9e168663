#include "pipeline/group_output_buffer.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

RdsGroupRecord Numbered(int32_t n) {
    return RdsGroupRecord{n, -n, n * 3, 0x6204, n & 0xFFFF, 0x1234, 0x5678};
}

// The ring is 57 KiB; keep it off the test's stack.
std::unique_ptr<GroupOutputBuffer> NewBuffer() {
    return std::make_unique<GroupOutputBuffer>();
}

TEST(GroupOutputBuffer, StartsEmptyAndReadsNothing) {
    auto buffer = NewBuffer();
    RdsGroupRecord out = Numbered(99);
    EXPECT_EQ(buffer->Length(), 0);
    EXPECT_FALSE(buffer->Read(out));
    EXPECT_EQ(out, Numbered(99));
    EXPECT_EQ(buffer->ReadIndex(), 0);
    EXPECT_EQ(buffer->WriteIndex(), 0);
}

TEST(GroupOutputBuffer, ReturnsGroupsFirstInFirstOutWithHostFieldsIntact) {
    auto buffer = NewBuffer();
    for (int32_t n = 1; n <= 5; ++n) {
        EXPECT_FALSE(buffer->Add(Numbered(n)));
    }
    for (int32_t n = 1; n <= 5; ++n) {
        RdsGroupRecord out;
        ASSERT_TRUE(buffer->Read(out));
        EXPECT_EQ(out, Numbered(n));
    }
    EXPECT_EQ(buffer->Length(), 0);
}

TEST(GroupOutputBuffer, Holds2047GroupsWithoutLoss) {
    auto buffer = NewBuffer();
    for (int32_t n = 0; n < 2047; ++n) {
        ASSERT_FALSE(buffer->Add(Numbered(n)));
    }
    EXPECT_EQ(buffer->Length(), 2047);
}

// A group kept first across calls is recognised by the front number: it moves on once for
// each group that leaves the front, whichever way, and never when one is only added or peeked.
TEST(GroupOutputBuffer, FrontNumberMovesOnForEachGroupThatLeavesTheFront) {
    auto buffer = NewBuffer();
    RdsGroupRecord out;
    ASSERT_FALSE(buffer->Add(Numbered(1)));
    ASSERT_FALSE(buffer->Add(Numbered(2)));
    ASSERT_TRUE(buffer->Peek(out));
    EXPECT_EQ(buffer->FrontNumber(), 0u);
    ASSERT_TRUE(buffer->Read(out));
    EXPECT_EQ(buffer->FrontNumber(), 1u);
    for (int32_t n = 3; n <= 2048; ++n) {
        ASSERT_FALSE(buffer->Add(Numbered(n)));
    }
    EXPECT_TRUE(buffer->Add(Numbered(2049)));
    EXPECT_EQ(buffer->FrontNumber(), 2u);
    buffer->Clear();
    EXPECT_EQ(buffer->FrontNumber(), 2049u);
    EXPECT_FALSE(buffer->Read(out));
    buffer->Clear();
    EXPECT_EQ(buffer->FrontNumber(), 2049u);
}

TEST(GroupOutputBuffer, The2048thAppendDropsTheOldest) {
    auto buffer = NewBuffer();
    for (int32_t n = 0; n < 2047; ++n) {
        ASSERT_FALSE(buffer->Add(Numbered(n)));
    }
    EXPECT_TRUE(buffer->Add(Numbered(2047)));
    EXPECT_EQ(buffer->Length(), 2047);
    RdsGroupRecord out;
    ASSERT_TRUE(buffer->Read(out));
    EXPECT_EQ(out, Numbered(1));
}

TEST(GroupOutputBuffer, ThreeThousandAppendsKeepTheLast2047InOrder) {
    auto buffer = NewBuffer();
    int losses = 0;
    for (int32_t n = 0; n < 3000; ++n) {
        losses += buffer->Add(Numbered(n)) ? 1 : 0;
    }
    EXPECT_EQ(losses, 953);
    EXPECT_EQ(buffer->Length(), 2047);
    for (int32_t n = 3000 - 2047; n < 3000; ++n) {
        RdsGroupRecord out;
        ASSERT_TRUE(buffer->Read(out));
        ASSERT_EQ(out, Numbered(n));
    }
    EXPECT_EQ(buffer->Length(), 0);
}

TEST(GroupOutputBuffer, IndicesWrapBackToZero) {
    auto buffer = NewBuffer();
    RdsGroupRecord out;
    for (int32_t n = 0; n < 2048; ++n) {
        ASSERT_FALSE(buffer->Add(Numbered(n)));
        ASSERT_TRUE(buffer->Read(out));
        ASSERT_EQ(out, Numbered(n));
    }
    EXPECT_EQ(buffer->ReadIndex(), 0);
    EXPECT_EQ(buffer->WriteIndex(), 0);
    EXPECT_EQ(buffer->Length(), 0);
}

TEST(GroupOutputBuffer, ClearDiscardsEverythingAndResetsIndices) {
    auto buffer = NewBuffer();
    for (int32_t n = 0; n < 100; ++n) {
        (void)buffer->Add(Numbered(n));
    }
    RdsGroupRecord out;
    ASSERT_TRUE(buffer->Read(out));
    buffer->Clear();
    EXPECT_EQ(buffer->Length(), 0);
    EXPECT_EQ(buffer->ReadIndex(), 0);
    EXPECT_EQ(buffer->WriteIndex(), 0);
    EXPECT_FALSE(buffer->Read(out));
}

TEST(GroupOutputBuffer, ReadingAnEmptyRingLeavesItConsistent) {
    auto buffer = NewBuffer();
    (void)buffer->Add(Numbered(1));
    RdsGroupRecord out;
    ASSERT_TRUE(buffer->Read(out));
    EXPECT_FALSE(buffer->Read(out));
    EXPECT_EQ(buffer->Length(), 0);
    (void)buffer->Add(Numbered(2));
    ASSERT_TRUE(buffer->Read(out));
    EXPECT_EQ(out, Numbered(2));
}

}  // namespace
