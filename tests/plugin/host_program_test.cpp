#include <gmock/gmock.h>

#include <sys/wait.h>

#include "support/child_process.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The reference host's own options are its alone: Qt reads "-plugin" as one of its own.
TEST(ReferenceHost, LoadsThePluginNamedByItsOptionAndQtTakesNoneOfIt) {
    const test_support::ChildOutcome outcome = test_support::RunChild(
        {TOLVANE_HOST_PATH, "--plugin", TOLVANE_PLUGIN_PATH, "--quit-after", "0.1"}, true);
    ASSERT_TRUE(WIFEXITED(outcome.status)) << outcome.output;
    EXPECT_EQ(WEXITSTATUS(outcome.status), 0) << outcome.output;
    EXPECT_THAT(outcome.output, HasSubstr("loaded " TOLVANE_PLUGIN_PATH ": Tolvane"));
    EXPECT_THAT(outcome.output, Not(HasSubstr("No such plugin")));
}

}  // namespace
