#include "sweep.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <limits>
#include <utility>

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

// The 64 bytes of entries that start `shift` entries below `upper`: the top
// `shift` entries of `lower`, the vector below it, then the bottom of
// `upper`. One valignd/q: on Zen 5 two of them issue a cycle, against
// under one two-source permute. GCC turns the generic shuffle into such a
// permute, so it gets the instruction itself; the operands are registers of
// the AVX-512 function that this is always inlined into.
template <typename entry, std::size_t shift>
[[gnu::always_inline]] inline typename entry_vector<entry, 64>::type cut(
    typename entry_vector<entry, 64>::type lower, typename entry_vector<entry, 64>::type upper) {
    constexpr std::size_t lanes = 64 / sizeof(entry);
#if defined(__clang__)
    return [&]<std::size_t... k>(std::index_sequence<k...>) {
        return __builtin_shufflevector(lower, upper, (k + lanes - shift)...);
    }
    (std::make_index_sequence<lanes>{});
#else
    typename entry_vector<entry, 64>::type taken;
    if constexpr (sizeof(entry) == 8) {
        asm("valignq %[n], %[lower], %[upper], %[taken]"
            : [taken] "=v"(taken)
            : [upper] "v"(upper), [lower] "v"(lower), [n] "i"(lanes - shift));
    } else {
        asm("valignd %[n], %[lower], %[upper], %[taken]"
            : [taken] "=v"(taken)
            : [upper] "v"(upper), [lower] "v"(lower), [n] "i"(lanes - shift));
    }
    return taken;
#endif
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

// Blocks of `unroll` vectors from an aligned `top` down to `low` or to where
// the aligned loads would leave the row; returns where it stopped. `shift` is
// weight % lanes: the entries each block takes, `weight` below it, are cut
// from two aligned loads, and the lower of them serves the next block as its
// upper one, so that no load crosses a cache line.
template <typename entry, std::size_t unroll, std::size_t shift>
[[gnu::always_inline]] inline std::size_t sweep_cut_blocks(
    entry* best, std::size_t low, std::size_t top, std::size_t weight,
    typename entry_vector<entry, 64>::type add) {
    using vector = typename entry_vector<entry, 64>::type;
    constexpr std::size_t lanes = 64 / sizeof(entry);
    constexpr std::size_t span = lanes * unroll;
    static_assert(shift > 0 && shift < lanes);
    const std::size_t back = weight - shift;  // a whole number of vectors
    // The lowest aligned load starts lanes - shift entries below the lowest
    // entry taken, so the loop stops where that would leave the row.
    if (top < low + span || top < span + back + lanes) {
        return top;
    }
    vector upper = load<entry, 64>(best + (top - back - lanes));
    while (top >= low + span && top >= span + back + lanes) {
        entry* const block = best + (top - span);
        entry* const source = block - back;
        vector kept[unroll];
        vector taken[unroll];
        for (std::size_t u = unroll; u-- > 0;) {
            const vector lower = load<entry, 64>(source + u * lanes - lanes);
            taken[u] = cut<entry, shift>(lower, upper);
            upper = lower;
            kept[u] = load<entry, 64>(block + u * lanes);
        }
        store_updates<entry, 64, unroll>(block, kept, taken, add);
        top -= span;
    }
    return top;
}

// The cut loop for this weight's shift, each shift a constant of its own
// (`below` runs over the shifts less one). A shift of 0 needs no cut: the
// plain loads of the entries taken are aligned already.
template <typename entry, std::size_t unroll, std::size_t... below>
[[gnu::always_inline]] inline std::size_t sweep_cut_for_shift(
    entry* best, std::size_t low, std::size_t top, std::size_t weight,
    typename entry_vector<entry, 64>::type add, std::index_sequence<below...>) {
    constexpr std::size_t lanes = 64 / sizeof(entry);
    const std::size_t shift = weight % lanes;
    std::size_t stopped = top;
    static_cast<void>(((shift == below + 1 && (stopped = sweep_cut_blocks<entry, unroll, below + 1>(
                                                   best, low, top, weight, add),
                                               true)) ||
                       ...));
    return stopped;
}

// Blocks of `unroll` vectors from `top` down to `low`, the entries taken read
// by loads at any alignment; returns where it stopped.
template <typename entry, std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline std::size_t sweep_blocks(
    entry* best, std::size_t low, std::size_t top, std::size_t weight,
    typename entry_vector<entry, bytes>::type add) {
    using vector = typename entry_vector<entry, bytes>::type;
    constexpr std::size_t lanes = bytes / sizeof(entry);
    constexpr std::size_t span = lanes * unroll;
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
    return top;
}

// One item over the entries in [low, top), low >= weight, downwards, in
// vectors of `bytes`. A block loads everything it reads before it stores,
// and lies above every entry still to be written, so best[w - weight] always
// holds its value from before this item, whatever the weight (below the lane
// count and 0 included): exactly the scalar downward sweep.
template <typename entry, std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline void sweep_one(entry* best, std::size_t low, std::size_t top,
                                             std::size_t weight, entry value) {
    if constexpr (bytes == 0) {
        sweep_scalar(best, low, top, weight, value);
    } else {
        using vector = typename entry_vector<entry, bytes>::type;
        constexpr std::size_t lanes = bytes / sizeof(entry);
        // A few scalar updates first, so that every vector store is aligned: an
        // unaligned store that crosses a cache line costs as much as two.
        while (top > low && reinterpret_cast<std::uintptr_t>(best + top) % bytes != 0) {
            --top;
            best[top] = std::max(best[top], static_cast<entry>(best[top - weight] + value));
        }
        const vector add = vector{} + value;
        if constexpr (bytes == 64) {
            top = sweep_cut_for_shift<entry, unroll>(best, low, top, weight, add,
                                                     std::make_index_sequence<lanes - 1>{});
        }
        top = sweep_blocks<entry, bytes, unroll>(best, low, top, weight, add);
        top = sweep_blocks<entry, bytes, 1>(best, low, top, weight, add);
        sweep_scalar(best, low, top, weight, value);
    }
}

// An item and the entries [low, high) of the row that it must sweep.
template <typename entry>
struct sweep_member {
    std::size_t low;
    std::size_t high;
    std::size_t weight;
    entry value;
};

// The row and what the items admitted so far, in the order they came, say
// about the entries the answer still needs.
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

// Admits the next item: gives the entries it newly reaches the total of the
// items before it, and returns the entries it must sweep. There is always
// one at least, as the row ends at or below the total weight: its weight
// is at most min(last, done_weight), and so is last - later_weight.
//
// The fill may run before the items admitted earlier have swept: they never
// touch an entry above their own kept_top, and this item reads none above
// its kept_top either (it takes from entries at most done_weight - weight).
template <typename entry>
sweep_member<entry> admit(row_state<entry>& row, std::size_t weight, entry value) {
    row.done_weight += static_cast<std::int64_t>(weight);
    row.later_weight -= static_cast<std::int64_t>(weight);
    const auto top =
        static_cast<std::size_t>(std::min(static_cast<std::int64_t>(row.last), row.done_weight));
    // The lowest entry that can still be read on the way to row[last].
    const auto needed = static_cast<std::size_t>(
        std::max<std::int64_t>(static_cast<std::int64_t>(row.last) - row.later_weight, 0));
    const std::size_t low = std::max(weight, needed);
    if (top > row.kept_top) {
        // The items so far all fit together, so their total is within the
        // entry type. Only entries from `needed` up can still be read, and
        // an entry above `kept_top` was never written, so 0 is there already.
        if (row.done_value != 0) {
            std::fill(row.best + std::max(row.kept_top + 1, needed), row.best + top + 1,
                      static_cast<entry>(row.done_value));
        }
        row.kept_top = top;
    }
    row.done_value += value;
    return {low, top + 1, weight, value};
}

// The most items that sweep the row together in one tiled pass.
inline constexpr std::size_t most_members = 32;

// A tiled pass keeps busy its tile and the lags of its items: 32 KiB stays
// in L1 on current x86-64 cores. Larger tiles mean fewer kernel calls per
// item; 8 KiB measured best, with little difference from 4 to 16.
inline constexpr std::size_t tile_bytes = std::size_t{8} << 10;
inline constexpr std::size_t group_span_bytes = std::size_t{32} << 10;

// Groups whose rows together are larger than L1 sweep in tiles: even in L2
// a tile read once per group beats a row read once per item, while rows
// that fit L1 gain nothing and pay for the extra steps.
inline constexpr std::size_t tiled_row_bytes = std::size_t{64} << 10;

// How far a member of a tiled pass keeps behind the one before it: its
// weight, rounded up to whole vectors so that every window stays aligned.
template <typename entry, std::size_t bytes>
constexpr std::size_t lag_behind(std::size_t weight) {
    constexpr std::size_t lanes = bytes == 0 ? 1 : bytes / sizeof(entry);
    return (weight + lanes - 1) / lanes * lanes;
}

// The items of a group in one downward pass over the row, a tile at a time,
// so that a row far larger than the cache is brought in once per group and
// not once per item. Member i sweeps its entries in windows [t - lag(i) -
// tile, t - lag(i)), for t falling by a tile each step, members in order
// within a step. The lags fall along the group, lag(last member) = 0, and
// lag(i) - lag(i + 1) >= weight(i + 1), rounded up to whole vectors. Then,
// with windows counted from member i's, x = t - lag(i):
// - member i has finished every entry at or above x - tile when member i + 1
//   sweeps [x + d - tile, x + d), d = lag(i) - lag(i + 1) >= 0: so the
//   entries it keeps are member i's, and the entries it takes, weight(i + 1)
//   below them, lie at or above x + d - weight(i + 1) - tile >= x - tile:
//   member i's too;
// - from the next step on, member i reads only entries below x - tile, and
//   member i + 1 has written none below x + d - tile: member i never sees a
//   value of a later member.
// The same holds between any two members, and each member sweeps each of its
// entries once, downwards: exactly the items swept one after the other. An
// entry a member leaves alone is one it does not change (below its weight),
// one no later member reads on the way to the answer (below its `low`), or
// one above its range, which the later member that first reaches it was
// given at admission; so the ranges of the members keep the argument whole.
//
// The windows of every member start where the row is aligned to a vector:
// no scalar update but at the ends of a member's own range.
template <typename entry, std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline void sweep_tiles(entry* best, const sweep_member<entry>* members,
                                               std::size_t count) {
    constexpr std::size_t lanes = bytes == 0 ? 1 : bytes / sizeof(entry);
    constexpr auto tile = static_cast<std::int64_t>(tile_bytes / sizeof(entry));
    std::int64_t lag[most_members];
    lag[count - 1] = 0;
    for (std::size_t i = count - 1; i-- > 0;) {
        lag[i] =
            lag[i + 1] + static_cast<std::int64_t>(lag_behind<entry, bytes>(members[i + 1].weight));
    }
    std::int64_t t = 0;
    std::int64_t end = std::numeric_limits<std::int64_t>::max();
    for (std::size_t i = 0; i < count; ++i) {
        t = std::max(t, static_cast<std::int64_t>(members[i].high) + lag[i]);
        end = std::min(end, static_cast<std::int64_t>(members[i].low) + lag[i]);
    }
    // The first window top at or above every member's range, where row + t
    // is aligned to a vector.
    const std::uintptr_t top_address =
        reinterpret_cast<std::uintptr_t>(best) + static_cast<std::uintptr_t>(t) * sizeof(entry);
    const auto misaligned =
        static_cast<std::int64_t>(top_address % (lanes * sizeof(entry)) / sizeof(entry));
    if (misaligned != 0) {
        t += static_cast<std::int64_t>(lanes) - misaligned;
    }
    for (; t > end; t -= tile) {
        for (std::size_t i = 0; i < count; ++i) {
            const sweep_member<entry>& m = members[i];
            const std::int64_t top = std::min(static_cast<std::int64_t>(m.high), t - lag[i]);
            const std::int64_t low = std::max(static_cast<std::int64_t>(m.low), t - lag[i] - tile);
            if (low < top) {
                sweep_one<entry, bytes, unroll>(best, static_cast<std::size_t>(low),
                                                static_cast<std::size_t>(top), m.weight, m.value);
            }
        }
    }
}

// Sweeps the members of a group, in tiles where the schedule asks for it or,
// by the program's own choice, where their rows are larger than the cache;
// otherwise one after the other.
template <typename entry, std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline void sweep_group(entry* best, sweep_schedule schedule,
                                               const sweep_member<entry>* members,
                                               std::size_t count) {
    bool tiled = count > 1 && schedule != sweep_schedule::one_by_one;
    if (tiled && schedule == sweep_schedule::chosen) {
        std::size_t low = members[0].low;
        std::size_t high = members[0].high;
        for (std::size_t i = 1; i < count; ++i) {
            low = std::min(low, members[i].low);
            high = std::max(high, members[i].high);
        }
        tiled = (high - low) * sizeof(entry) > tiled_row_bytes;
    }
    if (tiled) {
        sweep_tiles<entry, bytes, unroll>(best, members, count);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        sweep_one<entry, bytes, unroll>(best, members[i].low, members[i].high, members[i].weight,
                                        members[i].value);
    }
}

template <typename entry, std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline std::int64_t sweep_all(sweep_schedule schedule,
                                                     std::span<entry> table,
                                                     std::int64_t weight_before,
                                                     std::int64_t total_weight,
                                                     std::span<const std::int32_t> values,
                                                     std::span<const std::int32_t> weights) {
    constexpr std::size_t tile = tile_bytes / sizeof(entry);
    constexpr std::size_t group_span = group_span_bytes / sizeof(entry);
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
    // The group being gathered, and the lag of its first member: what the
    // others keep behind, added up.
    sweep_member<entry> members[most_members];
    std::size_t count = 0;
    std::size_t first_lag = 0;
    for (std::size_t j = 0; j < values.size(); ++j) {
        if (!can_change_table(last, values[j], weights[j])) {
            continue;
        }
        if (weights[j] == 0) {
            offset += values[j];
            continue;
        }
        const sweep_member<entry> member =
            admit(row, static_cast<std::size_t>(weights[j]), static_cast<entry>(values[j]));
        std::size_t lag = count == 0 ? 0 : lag_behind<entry, bytes>(member.weight);
        if (count == most_members || first_lag + lag + tile > group_span) {
            sweep_group<entry, bytes, unroll>(row.best, schedule, members, count);
            count = 0;
            first_lag = 0;
            lag = 0;
        }
        members[count++] = member;
        first_lag += lag;
    }
    if (count > 0) {
        sweep_group<entry, bytes, unroll>(row.best, schedule, members, count);
    }
    return static_cast<std::int64_t>(table.back()) + offset;
}

// Each version is compiled for its own instruction set; nothing else in the
// program assumes more than baseline x86-64.
template <typename entry>
[[gnu::target("avx512f")]] std::int64_t sweep_avx512(sweep_schedule schedule, std::span<entry> row,
                                                     std::int64_t weight_before,
                                                     std::int64_t total_weight,
                                                     std::span<const std::int32_t> values,
                                                     std::span<const std::int32_t> weights) {
    return sweep_all<entry, 64, 2>(schedule, row, weight_before, total_weight, values, weights);
}

template <typename entry>
[[gnu::target("avx2")]] std::int64_t sweep_avx2(sweep_schedule schedule, std::span<entry> row,
                                                std::int64_t weight_before,
                                                std::int64_t total_weight,
                                                std::span<const std::int32_t> values,
                                                std::span<const std::int32_t> weights) {
    return sweep_all<entry, 32, 4>(schedule, row, weight_before, total_weight, values, weights);
}

template <typename entry>
std::int64_t sweep_portable(sweep_schedule schedule, std::span<entry> row,
                            std::int64_t weight_before, std::int64_t total_weight,
                            std::span<const std::int32_t> values,
                            std::span<const std::int32_t> weights) {
    return sweep_all<entry, 0, 1>(schedule, row, weight_before, total_weight, values, weights);
}

template <typename entry>
std::int64_t dispatch(sweep_isa isa, sweep_schedule schedule, std::span<entry> row,
                      std::int64_t weight_before, std::int64_t total_weight,
                      std::span<const std::int32_t> values, std::span<const std::int32_t> weights) {
    switch (isa) {
        case sweep_isa::avx512:
            return sweep_avx512(schedule, row, weight_before, total_weight, values, weights);
        case sweep_isa::avx2:
            return sweep_avx2(schedule, row, weight_before, total_weight, values, weights);
        case sweep_isa::portable:
            break;
    }
    return sweep_portable(schedule, row, weight_before, total_weight, values, weights);
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

const char* schedule_name(sweep_schedule schedule) {
    switch (schedule) {
        case sweep_schedule::chosen:
            return "chosen";
        case sweep_schedule::one_by_one:
            return "one_by_one";
        case sweep_schedule::tiled:
            return "tiled";
    }
    return "unknown";
}

std::int64_t sweep_items(sweep_isa isa, sweep_schedule schedule, std::span<std::int32_t> row,
                         std::int64_t weight_before, std::int64_t total_weight,
                         std::span<const std::int32_t> values,
                         std::span<const std::int32_t> weights) {
    return dispatch(isa, schedule, row, weight_before, total_weight, values, weights);
}

std::int64_t sweep_items(sweep_isa isa, sweep_schedule schedule, std::span<std::int64_t> row,
                         std::int64_t weight_before, std::int64_t total_weight,
                         std::span<const std::int32_t> values,
                         std::span<const std::int32_t> weights) {
    return dispatch(isa, schedule, row, weight_before, total_weight, values, weights);
}
