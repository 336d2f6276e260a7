#include "best_total.hpp"

#include <algorithm>
#include <cstddef>
#include <vector>

std::int64_t best_total(std::int32_t capacity, std::span<const std::int32_t> values,
                        std::span<const std::int32_t> weights) {
    // best[w] is the largest total of the items seen so far whose weight is at
    // most w. Sized in 64 bits: a capacity of 2^31 - 1 needs 2^31 entries.
    std::vector<std::int64_t> best(static_cast<std::size_t>(capacity) + 1);
    for (std::size_t j = 0; j < values.size(); ++j) {
        const auto weight = static_cast<std::size_t>(weights[j]);
        const std::int64_t value = values[j];
        // Downwards, so best[w - weight] still holds its value from before
        // item j when it is read: no item is counted twice.
        for (std::size_t w = best.size(); w-- > weight;) {
            best[w] = std::max(best[w], best[w - weight] + value);
        }
    }
    return best.back();
}
