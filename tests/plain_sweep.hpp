// The reference the optimised table is held to: the textbook downward sweep
// over one row of capacity + 1 entries, with no shortcut of any kind.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

inline std::vector<std::int64_t> plain_table(std::int32_t capacity,
                                             std::span<const std::int32_t> values,
                                             std::span<const std::int32_t> weights) {
    std::vector<std::int64_t> best(static_cast<std::size_t>(capacity) + 1, 0);
    for (std::size_t j = 0; j < values.size(); ++j) {
        for (std::int64_t w = capacity; w >= weights[j]; --w) {
            const std::int64_t candidate =
                best[static_cast<std::size_t>(w - weights[j])] + values[j];
            best[static_cast<std::size_t>(w)] =
                std::max(best[static_cast<std::size_t>(w)], candidate);
        }
    }
    return best;
}

inline std::int64_t plain_sweep(std::int32_t capacity, std::span<const std::int32_t> values,
                                std::span<const std::int32_t> weights) {
    return plain_table(capacity, values, weights).back();
}
