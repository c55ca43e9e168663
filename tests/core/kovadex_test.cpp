#include "kovadex.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Kovadex, KeepsIntegersAndTextsPerWorkspaceSectionAndKey) {
    SaveInteger(1, "tolvane", "Top", 185);
    SaveInteger(2, "tolvane", "Top", 10);
    SaveInteger(1, "other", "Top", 20);
    SavePChar(1, "tolvane", "Host", "encoder.local");
    EXPECT_EQ(LoadInteger(1, "tolvane", "Top", -1), 185);
    EXPECT_EQ(LoadInteger(2, "tolvane", "Top", -1), 10);
    EXPECT_EQ(LoadInteger(1, "other", "Top", -1), 20);
    EXPECT_STREQ(LoadPChar(1, "tolvane", "Host", "127.0.0.1"), "encoder.local");
    SaveInteger(1, "tolvane", "Top", 7);
    EXPECT_EQ(LoadInteger(1, "tolvane", "Top", -1), 7);
}

TEST(Kovadex, AnswersTheDefaultForAbsentKeysAndForTheOtherKind) {
    EXPECT_EQ(LoadInteger(9, "tolvane", "Missing", 63), 63);
    EXPECT_STREQ(LoadPChar(9, "tolvane", "Missing", "23"), "23");
    SavePChar(9, "tolvane", "Port", "23");
    EXPECT_EQ(LoadInteger(9, "tolvane", "Port", -5), -5);
    SaveInteger(9, "tolvane", "Visible", 1);
    EXPECT_STREQ(LoadPChar(9, "tolvane", "Visible", "none"), "none");
}

TEST(Kovadex, NullTextsAreEmptyTexts) {
    SavePChar(3, nullptr, nullptr, nullptr);
    EXPECT_STREQ(LoadPChar(3, "", "", "default"), "");
    EXPECT_STREQ(LoadPChar(3, "tolvane", "Nothing", nullptr), "");
    EXPECT_EQ(LoadInteger(3, nullptr, "x", 4), 4);
}

TEST(Kovadex, ReturnedTextIsACopyThatLastsUntilTheNextCall) {
    const std::string longText(10000, 'm');
    SavePChar(4, "tolvane", "Mask12", longText.c_str());
    const char* loaded = LoadPChar(4, "tolvane", "Mask12", "");
    EXPECT_EQ(std::string(loaded), longText);
    std::string caller = "caller's buffer";
    SavePChar(4, "tolvane", "Key", caller.c_str());
    caller.assign("changed");
    EXPECT_STREQ(LoadPChar(4, "tolvane", "Key", ""), "caller's buffer");
}

}  // namespace
