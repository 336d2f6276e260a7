// Sweeps items over a whole row of zeros, told that enough weight comes
// before and after them that no entry may be trimmed, and finds the entries
// that differ from the plain sweep's table: far more telling than the last
// entry alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "plain_sweep.hpp"
#include "sweep.hpp"

struct row_difference {
    std::size_t entry;
    std::int64_t swept;
    std::int64_t plain;
};

// The entries where the swept row, with the weight-0 items' offset added
// back, differs from `expected`, the plain table of the same items (from
// plain_table); empty when they agree.
template <typename entry>
std::vector<row_difference> whole_row_differences(sweep_isa isa, sweep_schedule schedule,
                                                  std::int32_t capacity,
                                                  std::span<const std::int32_t> values,
                                                  std::span<const std::int32_t> weights,
                                                  const std::vector<std::int64_t>& expected) {
    std::vector<entry> row(static_cast<std::size_t>(capacity) + 1);
    std::int64_t total = 0;
    for (std::int32_t w : weights) {
        total += w;
    }
    const std::int64_t answer =
        sweep_items(isa, schedule, std::span<entry>(row), capacity,
                    2 * std::int64_t{capacity} + total + 1, values, weights);
    // Items of weight 0 are left out of the row and added to the answer.
    const std::int64_t offset = answer - row.back();
    std::vector<row_difference> differences;
    for (std::size_t w = 0; w < row.size(); ++w) {
        if (row[w] + offset != expected[w]) {
            differences.push_back({w, row[w] + offset, expected[w]});
        }
    }
    return differences;
}
