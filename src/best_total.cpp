#include "best_total.hpp"

#include "zeroed_array.hpp"

#include <cstddef>

std::int64_t best_total_with(sweep_isa isa, std::int32_t capacity,
                             std::span<const std::int32_t> values,
                             std::span<const std::int32_t> weights) {
    // best[w] is the largest total of the items seen so far whose weight is at
    // most w. Sized in 64 bits: a capacity of 2^31 - 1 needs 2^31 entries.
    zeroed_array<std::int64_t> best(static_cast<std::size_t>(capacity) + 1);
    const std::int64_t offset = sweep_items(isa, best, values, weights);
    return best.back() + offset;
}

std::int64_t best_total(std::int32_t capacity, std::span<const std::int32_t> values,
                        std::span<const std::int32_t> weights) {
    return best_total_with(chosen_isa(), capacity, values, weights);
}
