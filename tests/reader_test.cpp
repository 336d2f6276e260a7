#include "reader.hpp"

#include <gtest/gtest.h>

#include "extraction.hpp"
#include "failing_source.hpp"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Chunk sizes that put a refill at every position of short inputs, and the
// program's own size.
const std::vector<std::size_t> chunks = {1, 2, 3, 4, 5, 7, 8, 11, 16, 64, default_chunk};

struct reader_case {
    const char* bytes;
    extraction expected;
};

class reader_cases : public testing::TestWithParam<reader_case> {};

TEST_P(reader_cases, read_like_the_standard_extraction_at_every_chunk_size) {
    const reader_case& c = GetParam();
    ASSERT_EQ(standard_extraction(c.bytes), c.expected) << "the case itself is wrong";
    for (std::size_t chunk : chunks) {
        EXPECT_EQ(reader_extraction(c.bytes, chunk), c.expected) << "chunk " << chunk;
    }
}

const read_status none = read_status::no_number;
const read_status out = read_status::out_of_range;

INSTANTIATE_TEST_SUITE_P(
    cases, reader_cases,
    testing::Values(
        reader_case{"", {{}, none, false}}, reader_case{" \t\n\v\f\r", {{}, none, false}},
        reader_case{"3 5\n4 2", {{3, 5, 4, 2}, none, false}},
        reader_case{"+7 -0 +0 007", {{7, 0, 0, 7}, none, false}},
        reader_case{"12x 3", {{12}, none, false}}, reader_case{"1-2", {{1, -2}, none, false}},
        reader_case{"1+2", {{1, 2}, none, false}}, reader_case{"- 5", {{}, none, false}},
        reader_case{"5 -", {{5}, none, false}}, reader_case{"+-5", {{}, none, false}},
        reader_case{".5", {{}, none, false}}, reader_case{"0x1f", {{0}, none, false}},
        reader_case{"2147483647 -2147483648", {{2147483647, -2147483648}, none, false}},
        reader_case{"1 2147483648 3", {{1}, out, false}},
        reader_case{"-2147483649", {{}, out, false}},
        reader_case{"99999999999999999999999999", {{}, out, false}},
        reader_case{"-0000000000000000000000000000000000000042", {{-42}, none, false}}));

TEST(reader, reads_a_thousand_leading_zeros) {
    const std::string bytes =
        "1 " + std::string(1000, '0') + "2147483647 " + std::string(1000, '0') + "2147483648";
    const extraction expected{{1, 2147483647}, out, false};
    for (std::size_t chunk : chunks) {
        EXPECT_EQ(reader_extraction(bytes, chunk), expected) << "chunk " << chunk;
    }
}

TEST(reader, matches_the_standard_extraction_on_a_random_corpus) {
    std::mt19937_64 random(7);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    const std::vector<std::string> signs = {"", "", "", "+", "-"};
    const std::vector<std::string> junk = {
        "x", ".", "-", "+", "--1", "+-1", "e", "\x80", std::string(1, '\0'), "0x", ",", "_"};
    const std::vector<std::string> edges = {"2147483647", "2147483648", "4294967296",
                                            "9223372036854775808", "0"};
    const std::string blanks = " \t\n\v\f\r";
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        // Every tenth input is long, so that whole windows of 64 bytes are read.
        const std::size_t tokens = round % 10 == 0 ? 100 + pick(300) : pick(12);
        for (std::size_t t = 0; t < tokens; ++t) {
            const std::size_t kind = pick(20);
            if (kind == 0) {
                bytes += junk[pick(junk.size())];
            } else if (kind == 1) {
                bytes += signs[pick(signs.size())] + edges[pick(edges.size())];
            } else {
                bytes += signs[pick(signs.size())] + std::string(pick(4) == 0 ? pick(5) : 0, '0');
                const std::size_t digits = 1 + pick(pick(3) == 0 ? 12 : 6);
                for (std::size_t d = 0; d < digits; ++d) {
                    bytes += static_cast<char>('0' + pick(10));
                }
            }
            const std::size_t separators = pick(8) == 0 ? 0 : 1 + pick(3);
            for (std::size_t s = 0; s < separators; ++s) {
                bytes += blanks[pick(blanks.size())];
            }
        }
        const extraction expected = standard_extraction(bytes);
        for (std::size_t chunk :
             {std::size_t{1}, 1 + pick(9), 1 + pick(40), 72 + pick(200), default_chunk}) {
            ASSERT_EQ(reader_extraction(bytes, chunk), expected)
                << "chunk " << chunk << ", bytes \"" << bytes << '"';
        }
    }
}

TEST(reader, reports_a_read_error) {
    // A stream opened for writing only fails every read.
    std::FILE* source = std::tmpfile();
    ASSERT_NE(source, nullptr);
    std::FILE* write_only = std::fopen("/dev/null", "w");
    ASSERT_NE(write_only, nullptr);
    input_reader in = make_reader(write_only, 16);
    std::int32_t value = 0;
    EXPECT_EQ(read_number(in, value), read_status::read_error);
    EXPECT_NE(in.error, 0);
    std::fclose(write_only);
    std::fclose(source);
}

TEST(reader, reports_a_read_error_in_the_middle_of_a_number) {
    // Cut after a complete number, after a sign and inside the digits: the
    // error is reported where the data ends, never a number made of half.
    const std::vector<std::pair<std::string, std::vector<std::int32_t>>> cases = {
        {"12 34 ", {12, 34}}, {"12 -", {12}}, {"12 +3", {12}}, {"7 000", {7}}};
    for (const auto& [bytes, fields] : cases) {
        for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, default_chunk}) {
            failing_cookie cookie{bytes, 0};
            std::FILE* source = open_failing(cookie);
            ASSERT_NE(source, nullptr);
            input_reader in = make_reader(source, chunk);
            std::vector<std::int32_t> read;
            std::int32_t value = 0;
            read_status status = read_status::number;
            while ((status = read_number(in, value)) == read_status::number) {
                read.push_back(value);
            }
            EXPECT_EQ(status, read_status::read_error) << '"' << bytes << "\", chunk " << chunk;
            EXPECT_EQ(in.error, EIO);
            EXPECT_EQ(read, fields) << '"' << bytes << "\", chunk " << chunk;
            std::fclose(source);
        }
    }
}

}  // namespace
