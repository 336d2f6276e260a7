// The textbook sweep: one scalar downward pass per item over 64-bit totals.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

inline void textbook_sweep(std::vector<std::int64_t>& best, const std::vector<int>& values,
                           const std::vector<int>& weights) {
    const int capacity = static_cast<int>(best.size()) - 1;
    for (std::size_t j = 0; j < values.size(); ++j) {
        const int weight = weights[j];
        const std::int64_t value = values[j];
        for (int w = capacity; w >= weight; --w) {
            best[static_cast<std::size_t>(w)] =
                std::max(best[static_cast<std::size_t>(w)],
                         best[static_cast<std::size_t>(w - weight)] + value);
        }
    }
}
