#include "sweep.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace {

// A vector of `bytes` of entries, in GCC's and Clang's vector extension: each
// version's target attribute decides the instructions it becomes.
template <typename entry, std::size_t bytes>
struct entry_vector {
    typedef entry type __attribute__((vector_size(bytes)));
};

template <typename entry, std::size_t bytes>
[[gnu::always_inline]] inline typename entry_vector<entry, bytes>::type load(const entry* from) {
    typename entry_vector<entry, bytes>::type v;
    std::memcpy(&v, from, bytes);
    return v;
}

template <typename entry, std::size_t bytes>
[[gnu::always_inline]] inline void store(entry* to, typename entry_vector<entry, bytes>::type v) {
    std::memcpy(to, &v, bytes);
}

// One item over the entries in [low, top), low >= weight, one at a time.
// Scalar on purpose: baseline x86-64 has no 64-bit signed compare, and GCC's
// vectorisation of this loop with SSE2 runs slower than the loop itself.
template <typename entry>
#if defined(__GNUC__) && !defined(__clang__)
[[gnu::optimize("no-tree-vectorize")]]
#endif
void sweep_scalar(entry* best, std::size_t low, std::size_t top, std::size_t weight,
                  entry value) {
    for (std::size_t w = top; w-- > low;) {
        best[w] = std::max(best[w], static_cast<entry>(best[w - weight] + value));
    }
}

// The update of `unroll` consecutive blocks from `block` up, once all they
// read is loaded: each entry becomes the larger of what it kept and what it
// takes plus the item's value.
template <typename entry, std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline void store_updates(
    entry* block, typename entry_vector<entry, bytes>::type (&kept)[unroll],
    typename entry_vector<entry, bytes>::type (&taken)[unroll],
    typename entry_vector<entry, bytes>::type add) {
    constexpr std::size_t lanes = bytes / sizeof(entry);
    for (std::size_t u = 0; u < unroll; ++u) {
        taken[u] += add;
        kept[u] = kept[u] > taken[u] ? kept[u] : taken[u];
    }
    for (std::size_t u = 0; u < unroll; ++u) {
        store<entry, bytes>(block + u * lanes, kept[u]);
    }
}

// One item over the entries in [low, top), low >= weight, downwards, `unroll`
// vectors of `bytes` at a time. A group loads everything it reads before it
// stores, and lies above every entry still to be written, so best[w - weight]
// always holds its value from before this item, whatever the weight (below
// the lane count and 0 included): exactly the scalar downward sweep.
template <typename entry, std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline void sweep_one(entry* best, std::size_t low, std::size_t top,
                                             std::size_t weight, entry value) {
    if constexpr (bytes == 0) {
        sweep_scalar(best, low, top, weight, value);
    } else {
        using vector = typename entry_vector<entry, bytes>::type;
        constexpr std::size_t lanes = bytes / sizeof(entry);
        constexpr std::size_t span = lanes * unroll;
        // A few scalar updates first, so that every vector store is aligned: an
        // unaligned store that crosses a cache line costs as much as two.
        while (top > low && reinterpret_cast<std::uintptr_t>(best + top) % bytes != 0) {
            --top;
            best[top] = std::max(best[top], static_cast<entry>(best[top - weight] + value));
        }
        const vector add = vector{} + value;
#if defined(__GNUC__) && !defined(__clang__)
        // With 64-byte vectors, and a weight that is not a multiple of the lane
        // count, every load of best[w - weight] would cross two cache lines.
        // Instead each taken vector is cut from two aligned ones with one
        // two-source permute, and the lower of them serves the next block as
        // its upper one. Only GCC turns this generic shuffle into vpermt2d/q;
        // other compilers take the unaligned loads below.
        const std::size_t shift = weight % lanes;
        if (bytes == 64 && shift != 0) {
            vector pick;
            for (std::size_t k = 0; k < lanes; ++k) {
                pick[k] = static_cast<entry>(lanes - shift + k);
            }
            const std::size_t aligned_back = weight - shift;  // a whole number of vectors
            // The lowest aligned vector starts lanes - shift entries below the
            // lowest entry taken, so the loop stops where that would leave the row.
            if (top >= low + span && top >= span + weight + lanes) {
                vector upper = load<entry, bytes>(best + (top - aligned_back - lanes));
                while (top >= low + span && top >= span + weight + lanes) {
                    entry* const block = best + (top - span);
                    entry* const source = block - aligned_back;
                    vector kept[unroll];
                    vector taken[unroll];
                    for (std::size_t u = unroll; u-- > 0;) {
                        const vector lower = load<entry, bytes>(source + u * lanes - lanes);
                        taken[u] = __builtin_shuffle(lower, upper, pick);
                        upper = lower;
                        kept[u] = load<entry, bytes>(block + u * lanes);
                    }
                    store_updates<entry, bytes, unroll>(block, kept, taken, add);
                    top -= span;
                }
            }
        }
#endif
        while (top >= low + span) {
            entry* const block = best + (top - span);
            vector kept[unroll];
            vector taken[unroll];
            for (std::size_t u = 0; u < unroll; ++u) {
                kept[u] = load<entry, bytes>(block + u * lanes);
                taken[u] = load<entry, bytes>(block + u * lanes - weight);
            }
            store_updates<entry, bytes, unroll>(block, kept, taken, add);
            top -= span;
        }
        sweep_scalar(best, low, top, weight, value);
    }
}

// Items swept together in one tiled pass.
inline constexpr std::size_t group_size = 8;

// Rows of entries one item sweeps at a time in a tiled pass: with the lag of
// the group, a few KiB that stay in L1 between items.
inline constexpr std::int64_t tile_entries = 1024;

// A group of items in one downward pass over the whole row, a tile at a time,
// so that a table far larger than the cache is brought in once per group and
// not once per item. Item i + 1 trails item i by exactly its own weight: with
// ahead(i) = w(i+1) + ... + w(last member) and x(i) = t - ahead(i), at each
// step t item i sweeps its tile (x(i) - tile, x(i)], items in order. Then
// - item i + 1 takes from best[x - w(i+1)] for x in its tile, which is item
//   i's tile of this step or above it: values after item i, as it needs;
// - the entries it updates lie above x(i) - tile, so item i has finished them;
// - it writes nothing at or below x(i) + w(i+1) - tile, and item i reads
//   nothing above x(i) - tile from the next step on: item i never sees a
//   value of a later item.
// Every item sweeps each of its entries once, downwards, so this is exactly
// the items swept one after the other.
template <typename entry, std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline void sweep_tiles(entry* best, std::size_t last,
                                               const std::size_t* weights, const entry* values) {
    const auto top = static_cast<std::int64_t>(last);
    std::int64_t ahead[group_size];
    ahead[group_size - 1] = 0;
    for (std::size_t i = group_size - 1; i-- > 0;) {
        ahead[i] = ahead[i + 1] + static_cast<std::int64_t>(weights[i + 1]);
    }
    for (std::int64_t t = top + ahead[0];; t -= tile_entries) {
        bool any = false;
        for (std::size_t i = 0; i < group_size; ++i) {
            const auto weight = static_cast<std::int64_t>(weights[i]);
            const std::int64_t high = std::min(top, t - ahead[i]);
            const std::int64_t low = std::max(weight, t - ahead[i] - tile_entries + 1);
            if (low <= high) {
                sweep_one<entry, bytes, unroll>(best, static_cast<std::size_t>(low),
                                                static_cast<std::size_t>(high + 1), weights[i],
                                                values[i]);
                any = true;
            } else if (high >= weight) {
                any = true;  // above the row still
            }
        }
        if (!any) {
            return;
        }
    }
}

// The row and what the items swept so far, in the order they were swept,
// say about the entries the answer still needs.
//
// With `done_weight` the total weight of those items and `done_value` the
// total of their values, every entry from done_weight up holds done_value in
// the full table, so the row is kept only up to `kept_top` =
// min(last, done_weight): an item that extends it first gives the entries it
// newly reaches that total. And with `later_weight` the weight of the items
// still to come, an entry below last - later_weight can never again be read
// on the way to row[last]: each later item reads at most its weight below the
// entries it updates, so an item need not update them.
template <typename entry>
struct row_state {
    entry* best;
    std::size_t last;
    std::size_t kept_top;
    std::int64_t done_weight;
    std::int64_t done_value;
    std::int64_t later_weight;
};

template <typename entry, std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline void sweep_trimmed(row_state<entry>& row, std::size_t weight,
                                                 entry value) {
    row.done_weight += static_cast<std::int64_t>(weight);
    row.later_weight -= static_cast<std::int64_t>(weight);
    const auto top =
        static_cast<std::size_t>(std::min(static_cast<std::int64_t>(row.last), row.done_weight));
    // The lowest entry that can still be read on the way to row[last].
    const auto needed = static_cast<std::size_t>(
        std::max<std::int64_t>(static_cast<std::int64_t>(row.last) - row.later_weight, 0));
    const std::size_t low = std::max(weight, needed);
    if (top > row.kept_top) {
        // The newly reached entries get the total of the items so far, which
        // all fit together, so it is within the entry type. Only those from
        // `needed` up can still be read: this item takes from entries at most
        // done_weight - weight, which were kept already. An entry above
        // `kept_top` was never written, so a total of 0 is there already.
        const std::size_t from = std::max(row.kept_top + 1, needed);
        if (row.done_value != 0 && from <= top) {
            std::fill(row.best + from, row.best + top + 1, static_cast<entry>(row.done_value));
        }
        row.kept_top = top;
    }
    if (low <= top) {
        sweep_one<entry, bytes, unroll>(row.best, low, top + 1, weight, value);
    }
    row.done_value += value;
}

// Tables up to this size sit in L2 on any current x86-64 core, and a group
// whose trailing span is larger would not stay in L1 between its items.
inline constexpr std::size_t tiled_table_bytes = std::size_t{1} << 20;
inline constexpr std::int64_t tiled_span_bytes = std::int64_t{32} << 10;

// A full group sweeps together only when it pays and is allowed: the table is
// larger than L2, the span the group keeps busy, its weights plus a tile,
// fits in L1, and every member needs the whole row, from its weight up to
// the last entry. Otherwise its members go one by one: in L2 a group only
// adds work, and a span beyond L1 saves no traffic.
template <typename entry, std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline void sweep_full_group(row_state<entry>& row,
                                                    const std::size_t* weights,
                                                    const entry* values) {
    std::int64_t span = tile_entries;
    for (std::size_t i = 1; i < group_size; ++i) {
        span += static_cast<std::int64_t>(weights[i]);
    }
    bool whole_row = row.kept_top == row.last &&
                     (row.last + 1) * sizeof(entry) > tiled_table_bytes &&
                     span * static_cast<std::int64_t>(sizeof(entry)) <= tiled_span_bytes;
    std::int64_t later = row.later_weight;
    for (std::size_t i = 0; i < group_size; ++i) {
        later -= static_cast<std::int64_t>(weights[i]);
        whole_row = whole_row && static_cast<std::int64_t>(row.last) - later <=
                                     static_cast<std::int64_t>(weights[i]);
    }
    if (!whole_row) {
        for (std::size_t i = 0; i < group_size; ++i) {
            sweep_trimmed<entry, bytes, unroll>(row, weights[i], values[i]);
        }
        return;
    }
    sweep_tiles<entry, bytes, unroll>(row.best, row.last, weights, values);
    for (std::size_t i = 0; i < group_size; ++i) {
        row.done_weight += static_cast<std::int64_t>(weights[i]);
        row.done_value += values[i];
    }
    row.later_weight = later;
}

template <typename entry, std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline std::int64_t sweep_all(std::span<entry> table,
                                                     std::int64_t weight_before,
                                                     std::int64_t total_weight,
                                                     std::span<const std::int32_t> values,
                                                     std::span<const std::int32_t> weights) {
    const std::size_t last_index = table.size() - 1;
    row_state<entry> row{table.data(),
                         last_index,
                         static_cast<std::size_t>(std::min<std::int64_t>(
                             static_cast<std::int64_t>(last_index), weight_before)),
                         weight_before,
                         0,
                         total_weight - weight_before};
    const auto last = static_cast<std::int32_t>(row.last);
    std::int64_t offset = 0;
    std::size_t group_weights[group_size];
    entry group_values[group_size];
    std::size_t waiting = 0;
    for (std::size_t j = 0; j < values.size(); ++j) {
        if (!can_change_table(last, values[j], weights[j])) {
            continue;
        }
        if (weights[j] == 0) {
            offset += values[j];
            continue;
        }
        group_weights[waiting] = static_cast<std::size_t>(weights[j]);
        group_values[waiting] = static_cast<entry>(values[j]);
        if (++waiting == group_size) {
            sweep_full_group<entry, bytes, unroll>(row, group_weights, group_values);
            waiting = 0;
        }
    }
    for (std::size_t i = 0; i < waiting; ++i) {
        sweep_trimmed<entry, bytes, unroll>(row, group_weights[i], group_values[i]);
    }
    return static_cast<std::int64_t>(table.back()) + offset;
}

// Each version is compiled for its own instruction set; nothing else in the
// program assumes more than baseline x86-64.
template <typename entry>
[[gnu::target("avx512f")]] std::int64_t sweep_avx512(std::span<entry> row,
                                                     std::int64_t weight_before,
                                                     std::int64_t total_weight,
                                                     std::span<const std::int32_t> values,
                                                     std::span<const std::int32_t> weights) {
    return sweep_all<entry, 64, 4>(row, weight_before, total_weight, values, weights);
}

template <typename entry>
[[gnu::target("avx2")]] std::int64_t sweep_avx2(std::span<entry> row, std::int64_t weight_before,
                                                std::int64_t total_weight,
                                                std::span<const std::int32_t> values,
                                                std::span<const std::int32_t> weights) {
    return sweep_all<entry, 32, 4>(row, weight_before, total_weight, values, weights);
}

template <typename entry>
std::int64_t sweep_portable(std::span<entry> row, std::int64_t weight_before,
                            std::int64_t total_weight, std::span<const std::int32_t> values,
                            std::span<const std::int32_t> weights) {
    return sweep_all<entry, 0, 1>(row, weight_before, total_weight, values, weights);
}

template <typename entry>
std::int64_t dispatch(sweep_isa isa, std::span<entry> row, std::int64_t weight_before,
                      std::int64_t total_weight, std::span<const std::int32_t> values,
                      std::span<const std::int32_t> weights) {
    switch (isa) {
        case sweep_isa::avx512:
            return sweep_avx512(row, weight_before, total_weight, values, weights);
        case sweep_isa::avx2:
            return sweep_avx2(row, weight_before, total_weight, values, weights);
        case sweep_isa::portable:
            break;
    }
    return sweep_portable(row, weight_before, total_weight, values, weights);
}

struct isa_list {
    std::array<sweep_isa, 3> isas;
    std::size_t count;
};

isa_list detect() {
    isa_list list{{}, 0};
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) {
        list.isas[list.count++] = sweep_isa::avx512;
    }
    if (__builtin_cpu_supports("avx2")) {
        list.isas[list.count++] = sweep_isa::avx2;
    }
    list.isas[list.count++] = sweep_isa::portable;
    return list;
}

}  // namespace

std::span<const sweep_isa> supported_isas() {
    static const isa_list list = detect();
    return {list.isas.data(), list.count};
}

sweep_isa chosen_isa() {
    return supported_isas().front();
}

const char* isa_name(sweep_isa isa) {
    switch (isa) {
        case sweep_isa::avx512:
            return "avx512";
        case sweep_isa::avx2:
            return "avx2";
        case sweep_isa::portable:
            return "portable";
    }
    return "unknown";
}

std::int64_t sweep_items(sweep_isa isa, std::span<std::int32_t> row, std::int64_t weight_before,
                         std::int64_t total_weight, std::span<const std::int32_t> values,
                         std::span<const std::int32_t> weights) {
    return dispatch(isa, row, weight_before, total_weight, values, weights);
}

std::int64_t sweep_items(sweep_isa isa, std::span<std::int64_t> row, std::int64_t weight_before,
                         std::int64_t total_weight, std::span<const std::int32_t> values,
                         std::span<const std::int32_t> weights) {
    return dispatch(isa, row, weight_before, total_weight, values, weights);
}
