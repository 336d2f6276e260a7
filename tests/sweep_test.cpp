// Every sweep version this machine supports, held to the plain downward sweep.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "best_total.hpp"
#include "plain_sweep.hpp"
#include "table_case.hpp"
#include "whole_row.hpp"

namespace {

constexpr sweep_schedule every_schedule[] = {sweep_schedule::chosen, sweep_schedule::one_by_one,
                                             sweep_schedule::tiled};

// One sweep version with one schedule and one entry width: every path the
// table can take.
struct path {
    sweep_isa isa;
    sweep_schedule schedule;
    entry_width width;
};

std::vector<path> every_path() {
    std::vector<path> paths;
    for (sweep_isa isa : supported_isas()) {
        for (sweep_schedule schedule : every_schedule) {
            paths.push_back({isa, schedule, entry_width::narrowest});
            paths.push_back({isa, schedule, entry_width::wide});
        }
    }
    return paths;
}

void PrintTo(const path& p, std::ostream* out) {
    *out << isa_name(p.isa) << ", " << schedule_name(p.schedule) << ", "
         << (p.width == entry_width::wide ? "wide" : "narrowest");
}

class every_version : public testing::TestWithParam<path> {
protected:
    static std::int64_t best(std::int32_t capacity, std::span<const std::int32_t> values,
                             std::span<const std::int32_t> weights) {
        const path& p = GetParam();
        return best_total_with(p.isa, p.schedule, p.width, capacity, values, weights);
    }
};

struct instance {
    std::int32_t capacity;
    std::vector<std::int32_t> values;
    std::vector<std::int32_t> weights;
};

// Random instances of every shape: capacities from 0 to past the vector
// width and far beyond, weights of 0, 1, below the lane count, near and above
// the capacity, values negative, zero, small and near 2^31.
instance random_instance(std::mt19937_64& random) {
    auto pick = [&](std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random);
    };
    instance in{};
    switch (pick(0, 3)) {
        case 0:
            in.capacity = static_cast<std::int32_t>(pick(0, 20));
            break;
        case 1:
            in.capacity = static_cast<std::int32_t>(pick(0, 300));
            break;
        case 2:
            in.capacity = static_cast<std::int32_t>(pick(300, 5000));
            break;
        default:
            in.capacity = static_cast<std::int32_t>(pick(0, 70));
    }
    const auto n = static_cast<std::size_t>(pick(0, pick(0, 1) == 0 ? 8 : 60));
    const std::int64_t cap = in.capacity;
    for (std::size_t i = 0; i < n; ++i) {
        std::int64_t weight = 0;
        switch (pick(0, 7)) {
            case 0:
                weight = 0;
                break;
            case 1:
                weight = pick(1, 17);
                break;
            case 2:
                weight = std::max<std::int64_t>(0, cap - pick(0, 3));
                break;
            case 3:
                weight = cap + pick(1, 3);
                break;
            case 4:
                weight = std::numeric_limits<std::int32_t>::max();
                break;
            default:
                weight = pick(1, std::max<std::int64_t>(1, cap / 4));
        }
        std::int64_t value = 0;
        switch (pick(0, 5)) {
            case 0:
                value = pick(std::numeric_limits<std::int32_t>::min(), 0);
                break;
            case 1:
                value = std::numeric_limits<std::int32_t>::max() - pick(0, 5);
                break;
            case 2:
                value = 0;
                break;
            default:
                value = pick(1, 1000000);
        }
        in.values.push_back(static_cast<std::int32_t>(value));
        in.weights.push_back(static_cast<std::int32_t>(weight));
    }
    return in;
}

TEST_P(every_version, matches_the_plain_sweep_on_random_instances) {
    std::mt19937_64 random(4242);
    for (int round = 0; round < 3000; ++round) {
        const instance in = random_instance(random);
        ASSERT_EQ(best(in.capacity, in.values, in.weights),
                  plain_sweep(in.capacity, in.values, in.weights))
            << "round " << round << ", capacity " << in.capacity << ", " << in.values.size()
            << " items";
    }
}

TEST_P(every_version, matches_the_plain_sweep_for_each_small_weight) {
    // One weight for all items, from 0 to beyond two vectors of lanes, over
    // capacities on both sides of every block boundary, and rows long enough
    // for the unrolled and permuted loops.
    std::mt19937_64 random(99);
    for (std::int32_t weight = 0; weight <= 40; ++weight) {
        for (std::int32_t capacity = 0; capacity <= 330; capacity += capacity < 70 ? 1 : 13) {
            std::vector<std::int32_t> values(5);
            for (std::int32_t& v : values) {
                v = static_cast<std::int32_t>(random() % 100);
            }
            const std::vector<std::int32_t> weights(values.size(), weight);
            ASSERT_EQ(best(capacity, values, weights), plain_sweep(capacity, values, weights))
                << "weight " << weight << ", capacity " << capacity;
        }
    }
}

TEST_P(every_version, matches_the_plain_sweep_of_rows_mixing_weights) {
    // Light and heavy items mixed over short rows, swept one by one.
    std::mt19937_64 random(314);
    auto pick = [&](std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random);
    };
    for (int round = 0; round < 300; ++round) {
        const auto capacity =
            static_cast<std::int32_t>(pick(0, 1) == 0 ? pick(0, 400) : pick(400, 9000));
        const auto n = static_cast<std::size_t>(pick(1, 40));
        const std::int64_t heaviest = pick(0, 2) == 0 ? 40 : pick(16, 1200);
        std::vector<std::int32_t> values(n);
        std::vector<std::int32_t> weights(n);
        for (std::size_t i = 0; i < n; ++i) {
            values[i] = static_cast<std::int32_t>(pick(-10, 1000000));
            weights[i] =
                static_cast<std::int32_t>(pick(0, 5) == 0 ? pick(0, 20) : pick(14, heaviest));
        }
        ASSERT_EQ(best(capacity, values, weights), plain_sweep(capacity, values, weights))
            << "round " << round << ", capacity " << capacity << ", " << n << " items";
    }
}

TEST_P(every_version, matches_the_plain_sweep_when_items_sweep_in_tiles) {
    // Rows beyond L2 (over 1 MiB at either width), so that groups of light
    // items sweep together in trailing tiles by the program's own choice too.
    // Two heavy items before and two after them keep the whole row needed:
    // weights 0 and 1, weights near the tile, groups closed by their count
    // and by their span, and a part group at the end.
    std::mt19937_64 random(1618);
    auto pick = [&](std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random);
    };
    for (std::size_t round = 0; round < 8; ++round) {
        const auto capacity = static_cast<std::int32_t>(pick(270000, 420000));
        const std::int64_t lightest = round % 4 == 0 ? 0 : 1;
        const std::int64_t heaviest = std::vector<std::int64_t>{2, 450, 1100, 3000}[round % 4];
        std::vector<std::int32_t> values;
        std::vector<std::int32_t> weights;
        auto add = [&](std::int64_t value, std::int64_t weight) {
            values.push_back(static_cast<std::int32_t>(value));
            weights.push_back(static_cast<std::int32_t>(weight));
        };
        add(pick(1, 1000000), capacity / 2 + pick(0, 9));
        add(pick(1, 1000000), capacity / 2 + pick(0, 9));
        const std::int64_t light = pick(10, 80);
        for (std::int64_t i = 0; i < light; ++i) {
            add(pick(-3, 1000000), pick(lightest, heaviest));
        }
        add(pick(1, 1000000), capacity / 2 + pick(0, 9));
        add(pick(1, 1000000), capacity / 2 + pick(0, 9));
        ASSERT_EQ(best(capacity, values, weights), plain_sweep(capacity, values, weights))
            << "round " << round << ", capacity " << capacity << ", weights up to " << heaviest;
    }
}

TEST_P(every_version, matches_the_plain_sweep_in_groups_of_every_size) {
    // A group closes at 32 items or when the lags of its items and a tile
    // no longer fit 32 KiB: 4,096 entries of 64 bits or 8,192 of 32. Each
    // instance draws its weights from one band, from weight 1 (groups closed
    // by their count) up to the whole span (groups of one), or mixes light
    // and heavy items; capacities from a few tiles to near the total weight,
    // so that groups meet rows cut at the top and at the bottom.
    std::mt19937_64 random(8128);
    auto pick = [&](std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random);
    };
    for (std::size_t round = 0; round < 400; ++round) {
        // Bands spread evenly on a logarithmic scale from 1 to 8,200.
        const auto heaviest = static_cast<std::int64_t>(
            std::exp(std::uniform_real_distribution<double>(0.0, std::log(8200.0))(random)));
        const bool mixed = round % 3 == 2;
        const auto n = static_cast<std::size_t>(pick(1, 90));
        std::vector<std::int32_t> values(n);
        std::vector<std::int32_t> weights(n);
        std::int64_t total = 0;
        for (std::size_t i = 0; i < n; ++i) {
            values[i] = static_cast<std::int32_t>(pick(-3, 1000000));
            std::int64_t weight = pick(heaviest - heaviest / 4, heaviest);
            if (mixed && pick(0, 3) == 0) {
                weight = pick(0, 1) == 0 ? pick(0, 1) : pick(4000, 9000);
            }
            weights[i] = static_cast<std::int32_t>(weight);
            total += weight;
        }
        const auto capacity = static_cast<std::int32_t>(
            pick(0, 1) == 0 ? pick(1000, 40000)
                            : std::max<std::int64_t>(0, total - pick(-5, 3000)));
        ASSERT_EQ(best(capacity, values, weights), plain_sweep(capacity, values, weights))
            << "round " << round << ", capacity " << capacity << ", " << n
            << " items, weights up to " << heaviest;
    }
}

TEST_P(every_version, matches_the_plain_sweep_where_the_table_is_trimmed) {
    // Capacities near the total weight of the items, so that both the top
    // and the bottom of the row are cut for many items.
    std::mt19937_64 random(2718);
    auto pick = [&](std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random);
    };
    for (int round = 0; round < 400; ++round) {
        const auto n = static_cast<std::size_t>(pick(1, 30));
        std::vector<std::int32_t> values(n);
        std::vector<std::int32_t> weights(n);
        std::int64_t total = 0;
        for (std::size_t i = 0; i < n; ++i) {
            values[i] = static_cast<std::int32_t>(pick(-5, 100000));
            weights[i] = static_cast<std::int32_t>(pick(0, 3) == 0 ? pick(0, 20) : pick(0, 400));
            total += weights[i];
        }
        const auto capacity =
            static_cast<std::int32_t>(std::max<std::int64_t>(0, total + pick(-60, 5)));
        ASSERT_EQ(best(capacity, values, weights), plain_sweep(capacity, values, weights))
            << "round " << round << ", capacity " << capacity << ", total weight " << total;
    }
}

TEST_P(every_version, is_exact_at_the_edge_of_32_bit_totals) {
    constexpr std::int32_t max32 = std::numeric_limits<std::int32_t>::max();
    const std::vector<table_case> cases = {
        {"sum_is_largest_narrow", 2, {max32 - 1, 1}, {1, 1}, max32},
        {"sum_one_past_narrow", 2, {max32 - 1, 2}, {1, 1}, std::int64_t{max32} + 1},
        {"relaxation_allows_narrow", 10, {2000000000, 2000000000}, {10, 10}, 2000000000},
        {"relaxation_just_too_large", 9, {max32, max32}, {5, 5}, max32},
        {"two_largest_beyond_32_bits", 40, {max32, max32, 7}, {20, 20, 1}, 4294967294},
        {"weight_zero_beyond_32_bits", 1, {max32, max32, 5}, {0, 0, 1}, 4294967299},
        {"many_near_largest_narrow", 64, std::vector<std::int32_t>(40, 53687091),
         std::vector<std::int32_t>(40, 1), 53687091LL * 40},
    };
    for (const table_case& c : cases) {
        EXPECT_EQ(best(c.capacity, c.values, c.weights), c.expected) << c.name;
        EXPECT_EQ(plain_sweep(c.capacity, c.values, c.weights), c.expected) << c.name;
    }
}

TEST_P(every_version, needs_no_table_beyond_the_total_weight) {
    // The largest capacities with light items: the table ends at their total
    // weight, a few entries, where the plain sweep would need 16 GiB.
    const std::vector<std::int32_t> values = {5, 7, -3, 2147483647};
    const std::vector<std::int32_t> weights = {3, 4, 1, 2147483647};
    EXPECT_EQ(best(2147483646, values, weights), 12);
    EXPECT_EQ(best(2147483647, std::span(values).first(3), std::span(weights).first(3)), 12);
}

template <typename entry>
void expect_whole_row(sweep_isa isa, sweep_schedule schedule, std::int32_t capacity,
                      const std::vector<std::int32_t>& values,
                      const std::vector<std::int32_t>& weights,
                      const std::vector<std::int64_t>& expected) {
    const std::vector<row_difference> differences =
        whole_row_differences<entry>(isa, schedule, capacity, values, weights, expected);
    for (std::size_t k = 0; k < differences.size() && k < 5; ++k) {
        ADD_FAILURE() << isa_name(isa) << ", " << schedule_name(schedule) << ", "
                      << 8 * sizeof(entry) << "-bit entries: entry " << differences[k].entry
                      << " is " << differences[k].swept << ", the plain sweep has "
                      << differences[k].plain;
    }
    EXPECT_TRUE(differences.empty()) << differences.size() << " entries differ, capacity "
                                     << capacity << ", " << values.size() << " items";
}

TEST(sweep_versions, sweep_every_entry_of_a_row_beyond_l2_like_the_plain_sweep) {
    // Light items over rows of over 1 MiB, so that groups sweep in trailing
    // tiles by the program's own choice too, with weights 0 and 1, weights
    // near and above the tile, groups closed by their count and by their
    // span, and a part group at the end.
    std::mt19937_64 random(577);
    auto pick = [&](std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random);
    };
    for (sweep_isa isa : supported_isas()) {
        for (std::int64_t heaviest : {1, 40, 700, 1500}) {
            const auto capacity = static_cast<std::int32_t>(pick(270000, 330000));
            const auto n = static_cast<std::size_t>(pick(16, 80));
            std::vector<std::int32_t> values(n);
            std::vector<std::int32_t> weights(n);
            for (std::size_t i = 0; i < n; ++i) {
                values[i] = static_cast<std::int32_t>(pick(-3, 1000000));
                weights[i] = static_cast<std::int32_t>(pick(0, heaviest));
            }
            const std::vector<std::int64_t> expected = plain_table(capacity, values, weights);
            for (sweep_schedule schedule : every_schedule) {
                expect_whole_row<std::int32_t>(isa, schedule, capacity, values, weights, expected);
                expect_whole_row<std::int64_t>(isa, schedule, capacity, values, weights, expected);
            }
        }
    }
}

TEST(sweep_versions, portable_is_always_last) {
    ASSERT_FALSE(supported_isas().empty());
    EXPECT_EQ(supported_isas().back(), sweep_isa::portable);
    EXPECT_EQ(chosen_isa(), supported_isas().front());
}

INSTANTIATE_TEST_SUITE_P(versions, every_version, testing::ValuesIn(every_path()),
                         [](const testing::TestParamInfo<path>& row) {
                             return std::string(isa_name(row.param.isa)) + "_" +
                                    schedule_name(row.param.schedule) +
                                    (row.param.width == entry_width::wide ? "_wide" : "_narrowest");
                         });

}  // namespace
