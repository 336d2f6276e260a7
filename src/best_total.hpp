// The best-value table of the 0/1 knapsack problem.
#pragma once

#include <cstdint>
#include <span>

// The largest total value of a set of items, each taken at most once, whose
// total weight is at most `capacity`. Item i has value values[i] and weight
// weights[i]; the two spans have equal length.
//
// Preconditions: capacity >= 0 and every weight >= 0.
// Throws std::bad_alloc when the table cannot be created.
std::int64_t best_total(std::int32_t capacity, std::span<const std::int32_t> values,
                        std::span<const std::int32_t> weights);
