#include "best_total.hpp"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <new>
#include <vector>

#include "zeroed_array.hpp"

namespace {

constexpr std::int64_t largest_narrow = std::numeric_limits<std::int32_t>::max();

// Above this many items the bound below is not worth its sort and its
// memory; the table is then 32-bit only when the plain sum allows it.
constexpr std::size_t most_items_to_bound = std::size_t{1} << 22;

// An upper bound on every feasible total of the swept items (positive value,
// weight from 1 to `capacity`): the fractional relaxation, which takes items
// in order of value per unit of weight and a fraction of the first one that
// does not fit. No 0/1 choice can beat it.
std::int64_t relaxation_bound(std::int64_t capacity, std::span<const std::int32_t> values,
                              std::span<const std::int32_t> weights) {
    struct item {
        std::int32_t value;
        std::int32_t weight;
    };
    std::vector<item> items;
    for (std::size_t j = 0; j < values.size(); ++j) {
        if (weights[j] > 0 &&
            can_change_table(static_cast<std::int32_t>(capacity), values[j], weights[j])) {
            items.push_back({values[j], weights[j]});
        }
    }
    // a before b when a.value / a.weight > b.value / b.weight; the products
    // stay below 2^62.
    std::sort(items.begin(), items.end(), [](const item& a, const item& b) {
        return std::int64_t{a.value} * b.weight > std::int64_t{b.value} * a.weight;
    });
    std::int64_t room = capacity;
    std::int64_t total = 0;
    for (const item& it : items) {
        if (it.weight > room) {
            return total + std::int64_t{it.value} * room / it.weight;
        }
        room -= it.weight;
        total += it.value;
    }
    return total;
}

// Whether no entry and no candidate of the table can exceed 2^31 - 1. Each
// candidate is the total of a feasible set of items, so a bound on those is
// enough: first the plain sum of the values, then the relaxation.
bool totals_fit_narrow(std::int64_t capacity, std::int64_t value_sum, std::size_t swept,
                       std::span<const std::int32_t> values,
                       std::span<const std::int32_t> weights) {
    if (value_sum <= largest_narrow) {
        return true;
    }
    if (swept > most_items_to_bound) {
        return false;
    }
    try {
        return relaxation_bound(capacity, values, weights) <= largest_narrow;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <typename entry>
std::int64_t sweep_table(sweep_isa isa, sweep_schedule schedule, std::size_t entries,
                         std::int64_t total_weight, std::span<const std::int32_t> values,
                         std::span<const std::int32_t> weights) {
    zeroed_array<entry> best(entries);
    return sweep_items(isa, schedule, best, 0, total_weight, values, weights);
}

}  // namespace

std::int64_t best_total_with(sweep_isa isa, sweep_schedule schedule, entry_width width,
                             std::int32_t capacity, std::span<const std::int32_t> values,
                             std::span<const std::int32_t> weights) {
    // Entries from the total weight of the items that fit up to the capacity
    // all hold the same total, so the table ends there. Sized in 64 bits: a
    // capacity of 2^31 - 1 may need 2^31 entries.
    std::int64_t total_weight = 0;
    std::int64_t value_sum = 0;
    std::size_t swept = 0;
    for (std::size_t j = 0; j < values.size(); ++j) {
        if (weights[j] > 0 && can_change_table(capacity, values[j], weights[j])) {
            total_weight += weights[j];
            value_sum += values[j];
            ++swept;
        }
    }
    const auto entries =
        static_cast<std::size_t>(std::min<std::int64_t>(capacity, total_weight)) + 1;
    const auto last = static_cast<std::int64_t>(entries) - 1;
    if (width == entry_width::narrowest &&
        totals_fit_narrow(last, value_sum, swept, values, weights)) {
        return sweep_table<std::int32_t>(isa, schedule, entries, total_weight, values, weights);
    }
    return sweep_table<std::int64_t>(isa, schedule, entries, total_weight, values, weights);
}

std::int64_t best_total(std::int32_t capacity, std::span<const std::int32_t> values,
                        std::span<const std::int32_t> weights) {
    return best_total_with(chosen_isa(), sweep_schedule::chosen, entry_width::narrowest, capacity,
                           values, weights);
}
