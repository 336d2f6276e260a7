// The whole run in-process, where a process cannot easily reach: a source
// that fails in the middle of the items.
#include <gtest/gtest.h>

#include <string>

#include "captured_run.hpp"
#include "failing_source.hpp"

namespace {

captured_run run_on_failing_source(const std::string& bytes) {
    failing_cookie cookie{bytes, 0};
    return run_captured(open_failing(cookie));
}

TEST(run, refuses_a_source_that_fails_before_or_within_the_items) {
    // The last case fails right after the last digit: the number may have
    // gone on, so that too is an error, not a result.
    for (const std::string bytes : {"", "3", "3 5", "3 5 4 2 5", "3 5 4 2 5 3 3 1"}) {
        const captured_run result = run_on_failing_source(bytes);
        EXPECT_EQ(result.status, 1) << '"' << bytes << '"';
        EXPECT_EQ(result.printed, "") << '"' << bytes << '"';
        EXPECT_EQ(result.said, "knapsack: cannot read standard input: Input/output error\n")
            << '"' << bytes << '"';
    }
}

TEST(run, never_reads_beyond_the_last_item) {
    // The failure lies after the last pair: it is never reached.
    const captured_run result = run_on_failing_source("3 5 4 2 5 3 3 1 ");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.printed, "9");
    EXPECT_EQ(result.said, "");
}

}  // namespace
