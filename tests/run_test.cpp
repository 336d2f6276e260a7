// The whole run in-process, where a process cannot easily reach: a source
// that fails in the middle of the items.
#include "run.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "failing_source.hpp"

namespace {

struct run_result {
    int status;
    std::string printed;
    std::string said;
};

run_result run_on_failing_source(const std::string& bytes) {
    failing_cookie cookie{bytes, 0};
    std::FILE* input = open_failing(cookie);
    char* printed = nullptr;
    std::size_t printed_size = 0;
    char* said = nullptr;
    std::size_t said_size = 0;
    std::FILE* output = open_memstream(&printed, &printed_size);
    std::FILE* diagnostics = open_memstream(&said, &said_size);
    const int status = run_knapsack(input, output, diagnostics);
    std::fclose(input);
    std::fclose(output);
    std::fclose(diagnostics);
    run_result result{status, std::string(printed, printed_size), std::string(said, said_size)};
    std::free(printed);
    std::free(said);
    return result;
}

TEST(run, refuses_a_source_that_fails_before_or_within_the_items) {
    // The last case fails right after the last digit: the number may have
    // gone on, so that too is an error, not a result.
    for (const std::string bytes : {"", "3", "3 5", "3 5 4 2 5", "3 5 4 2 5 3 3 1"}) {
        const run_result result = run_on_failing_source(bytes);
        EXPECT_EQ(result.status, 1) << '"' << bytes << '"';
        EXPECT_EQ(result.printed, "") << '"' << bytes << '"';
        EXPECT_EQ(result.said, "knapsack: cannot read standard input: Input/output error\n")
            << '"' << bytes << '"';
    }
}

TEST(run, never_reads_beyond_the_last_item) {
    // The failure lies after the last pair: it is never reached.
    const run_result result = run_on_failing_source("3 5 4 2 5 3 3 1 ");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.printed, "9");
    EXPECT_EQ(result.said, "");
}

}  // namespace
