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

// Whether an item can raise any entry of the table for `capacity`. One that
// cannot gives the same result as an item of value 0 and weight 0.
inline bool can_change_table(std::int32_t capacity, std::int32_t value, std::int32_t weight) {
    return value > 0 && weight <= capacity;
}

// Applies every item, in order, to `row` with the 0/1 downward sweep, where
// row[w] is the best total of a weight of at most w. Items that cannot raise
// any entry (value 0 or less, or weight above row.size() - 1) cost nothing.
// An item of weight 0 and positive value raises every entry by its value, so
// its value is added to the returned offset instead: the answer is
// row.back() + offset.
std::int64_t sweep_items(sweep_isa isa, std::span<std::int64_t> row,
                         std::span<const std::int32_t> values,
                         std::span<const std::int32_t> weights);
