// Every sweep version this machine supports, held to the plain downward sweep.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "best_total.hpp"
#include "plain_sweep.hpp"

namespace {

class every_version : public testing::TestWithParam<sweep_isa> {};

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
        ASSERT_EQ(best_total_with(GetParam(), in.capacity, in.values, in.weights),
                  plain_sweep(in.capacity, in.values, in.weights))
            << "round " << round << ", capacity " << in.capacity << ", " << in.values.size()
            << " items";
    }
}

TEST_P(every_version, matches_the_plain_sweep_for_each_small_weight) {
    // One weight for all items, from 0 to beyond two vectors of lanes, over
    // capacities on both sides of every block boundary.
    std::mt19937_64 random(99);
    for (std::int32_t weight = 0; weight <= 40; ++weight) {
        for (std::int32_t capacity = 0; capacity <= 70; ++capacity) {
            std::vector<std::int32_t> values(5);
            for (std::int32_t& v : values) {
                v = static_cast<std::int32_t>(random() % 100);
            }
            const std::vector<std::int32_t> weights(values.size(), weight);
            ASSERT_EQ(best_total_with(GetParam(), capacity, values, weights),
                      plain_sweep(capacity, values, weights))
                << "weight " << weight << ", capacity " << capacity;
        }
    }
}

TEST_P(every_version, matches_the_plain_sweep_when_items_sweep_in_groups) {
    // Many items heavy enough to be swept in groups, mixed with light ones,
    // over capacities below, near and far above the span a group keeps busy.
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
        ASSERT_EQ(best_total_with(GetParam(), capacity, values, weights),
                  plain_sweep(capacity, values, weights))
            << "round " << round << ", capacity " << capacity << ", " << n << " items";
    }
}

TEST(sweep_versions, portable_is_always_last) {
    ASSERT_FALSE(supported_isas().empty());
    EXPECT_EQ(supported_isas().back(), sweep_isa::portable);
    EXPECT_EQ(chosen_isa(), supported_isas().front());
}

INSTANTIATE_TEST_SUITE_P(versions, every_version, testing::ValuesIn(supported_isas()),
                         [](const testing::TestParamInfo<sweep_isa>& row) {
                             return std::string(isa_name(row.param));
                         });

}  // namespace
