#include "best_total.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "table_case.hpp"

namespace {

class best_total_cases : public testing::TestWithParam<table_case> {};

TEST_P(best_total_cases, gives_the_best_total) {
    const table_case& c = GetParam();
    EXPECT_EQ(best_total(c.capacity, c.values, c.weights), c.expected);
}

constexpr std::int32_t max32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t min32 = std::numeric_limits<std::int32_t>::min();

INSTANTIATE_TEST_SUITE_P(
    cases, best_total_cases,
    testing::Values(
        table_case{"typical", 5, {4, 5, 3}, {2, 3, 1}, 9},
        table_case{"typical_reordered", 5, {3, 4, 5}, {1, 2, 3}, 9},
        table_case{"typical_reversed", 5, {3, 5, 4}, {1, 3, 2}, 9},
        table_case{"no_items", 7, {}, {}, 0}, table_case{"no_items_capacity_zero", 0, {}, {}, 0},
        table_case{"item_does_not_fit", 5, {3}, {10}, 0},
        table_case{"capacity_zero_takes_weight_zero", 0, {5, 6}, {1, 0}, 6},
        table_case{"weight_equals_capacity", 4, {9}, {4}, 9},
        table_case{"weight_one_above_capacity", 3, {9}, {4}, 0},
        table_case{"negative_value_never_taken", 10, {-5}, {1}, 0},
        table_case{"weight_zero_mixed_signs", 0, {7, -4}, {0, 0}, 7},
        table_case{"each_item_once", 10, {5}, {3}, 5},
        table_case{"total_beyond_32_bits", 2, {max32, max32}, {1, 1}, 4294967294},
        table_case{"weight_zero_beyond_32_bits", 0, {max32, max32, max32}, {0, 0, 0}, 6442450941},
        table_case{"most_negative_value", 3, {min32, 1}, {1, 1}, 1},
        table_case{"largest_weight", 3, {100}, {max32}, 0},
        table_case{"light_items_beat_heavy_one", 6, {10, 4, 4, 4}, {6, 2, 2, 2}, 12},
        table_case{"heavy_item_beats_light_ones", 6, {13, 4, 4, 4}, {6, 2, 2, 2}, 13},
        table_case{"fill_exactly", 10, {6, 6, 5}, {5, 5, 6}, 12}),
    [](const testing::TestParamInfo<table_case>& row) { return std::string(row.param.name); });

// Every subset, tried: independent of any table.
std::int64_t exhaustive_best(std::int32_t capacity, const std::vector<std::int32_t>& values,
                             const std::vector<std::int32_t>& weights) {
    std::int64_t best = 0;
    const std::size_t n = values.size();
    for (std::uint32_t subset = 0; subset < (1u << n); ++subset) {
        std::int64_t value = 0;
        std::int64_t weight = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if ((subset >> i) & 1u) {
                value += values[i];
                weight += weights[i];
            }
        }
        if (weight <= capacity) {
            best = std::max(best, value);
        }
    }
    return best;
}

TEST(best_total_property, matches_every_subset_on_random_small_instances) {
    std::mt19937_64 random(20261211);
    auto pick = [&](std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random);
    };
    for (int round = 0; round < 4000; ++round) {
        const auto capacity = static_cast<std::int32_t>(pick(0, 3) == 0 ? pick(0, 3) : pick(0, 60));
        const auto n = static_cast<std::size_t>(pick(0, 12));
        std::vector<std::int32_t> values(n);
        std::vector<std::int32_t> weights(n);
        for (std::size_t i = 0; i < n; ++i) {
            switch (pick(0, 5)) {
                case 0:
                    weights[i] = 0;
                    break;
                case 1:
                    weights[i] = static_cast<std::int32_t>(capacity + pick(1, 5));
                    break;
                case 2:
                    weights[i] = pick(0, 1) == 0 ? max32 : 1;
                    break;
                default:
                    weights[i] = static_cast<std::int32_t>(pick(0, std::max(capacity, 1)));
            }
            switch (pick(0, 4)) {
                case 0:
                    values[i] = static_cast<std::int32_t>(pick(min32, 0));
                    break;
                case 1:
                    values[i] = static_cast<std::int32_t>(max32 - pick(0, 3));
                    break;
                case 2:
                    values[i] = 0;
                    break;
                default:
                    values[i] = static_cast<std::int32_t>(pick(1, 1000));
            }
        }
        ASSERT_EQ(best_total(capacity, values, weights), exhaustive_best(capacity, values, weights))
            << "round " << round << ", capacity " << capacity << ", " << n << " items";
    }
}

TEST(best_total, keeps_64_bit_entries_for_more_items_than_it_bounds) {
    // Over four million items whose values add up past 2^31: too many to sort
    // for the tighter bound, so the table must stay 64-bit, or the best total
    // of four items, 2.4e9, would overflow.
    const std::vector<std::int32_t> values(4200000, 600000000);
    const std::vector<std::int32_t> weights(values.size(), 1);
    EXPECT_EQ(best_total(4, values, weights), 2400000000);
}

}  // namespace
