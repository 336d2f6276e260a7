// The downward sweep of the best-value row, in one version per instruction
// set, and the choice between them.
#pragma once

#include <cstdint>
#include <span>

// Versions, best first; `portable` runs on every x86-64 machine and is last.
enum class sweep_isa { avx512, avx2, portable };

// The versions this machine can run, best first, ending with `portable`.
std::span<const sweep_isa> supported_isas();

// The best version this machine can run, chosen once.
sweep_isa chosen_isa();

const char* isa_name(sweep_isa isa);

// How the items are laid over the row: `chosen` is the program's own plan,
// which sweeps groups of light items together, a tile at a time, wherever
// their rows are larger than L1, and each other item on its own;
// `one_by_one` never tiles and `tiled` tiles every group of two or more,
// however small its row: they let tests and benchmarks run every path.
enum class sweep_schedule { chosen, one_by_one, tiled };

const char* schedule_name(sweep_schedule schedule);

// Whether an item can raise any entry of the table for `capacity`. One that
// cannot gives the same result as an item of value 0 and weight 0.
inline bool can_change_table(std::int32_t capacity, std::int32_t value, std::int32_t weight) {
    return value > 0 && weight <= capacity;
}

// Applies the items to `row`, a table of best totals cut to the entries that
// the answer needs, and returns the answer. row[w] for w up to the last index
// is the best total of a weight of at most w. Of the items that can change
// the table, `weight_before` is the total weight of those already applied to
// the row (0 for a new row of zeros), and `total_weight` that of those, these
// and any still to be applied after them; the row has at most total_weight + 1
// entries. Every entry and candidate must fit in the entry type: the caller
// chooses 32 bits only where no feasible total can exceed 2^31 - 1.
//
// For a new row the result is exactly row.back() of the plain downward sweep of every item
// over capacity + 1 entries. Items that cannot raise an entry cost nothing,
// and an item of weight 0 adds its value once to the result.
std::int64_t sweep_items(sweep_isa isa, sweep_schedule schedule, std::span<std::int32_t> row,
                         std::int64_t weight_before, std::int64_t total_weight,
                         std::span<const std::int32_t> values,
                         std::span<const std::int32_t> weights);
std::int64_t sweep_items(sweep_isa isa, sweep_schedule schedule, std::span<std::int64_t> row,
                         std::int64_t weight_before, std::int64_t total_weight,
                         std::span<const std::int32_t> values,
                         std::span<const std::int32_t> weights);
