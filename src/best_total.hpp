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

// How wide the table's entries may be: `narrowest` is the program's own
// choice, 32 bits wherever no feasible total can exceed 2^31 - 1; `wide` is
// always 64 bits.
enum class entry_width { narrowest, wide };

// The same with a given sweep version, which this machine must support,
// schedule and entry width: how tests and benchmarks run every path.
std::int64_t best_total_with(sweep_isa isa, sweep_schedule schedule, entry_width width,
                             std::int32_t capacity, std::span<const std::int32_t> values,
                             std::span<const std::int32_t> weights);
