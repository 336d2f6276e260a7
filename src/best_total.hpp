// The best-value table of the 0/1 knapsack problem.
#pragma once

#include <cstdint>
#include <span>

#include "sweep.hpp"

// The largest total value of a set of items, each taken at most once, whose
// total weight is at most `capacity`. Item i has value values[i] and weight
// weights[i]; the two spans have equal length. Exactly the result of the plain
// downward sweep over one row of capacity + 1 entries.
//
// Preconditions: capacity >= 0 and every weight >= 0.
// Throws std::bad_alloc when the table cannot be created.
std::int64_t best_total(std::int32_t capacity, std::span<const std::int32_t> values,
                        std::span<const std::int32_t> weights);

// The same with a given sweep version, which this machine must support: how
// tests and benchmarks run every version.
std::int64_t best_total_with(sweep_isa isa, std::int32_t capacity,
                             std::span<const std::int32_t> values,
                             std::span<const std::int32_t> weights);
