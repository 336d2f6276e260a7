#include "sweep.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// A vector of `bytes` of 64-bit entries, in GCC's and Clang's vector extension:
// each version's target attribute decides the instructions it becomes.
template <std::size_t bytes>
struct entry_vector {
    typedef std::int64_t type __attribute__((vector_size(bytes)));
};

template <std::size_t bytes>
[[gnu::always_inline]] inline typename entry_vector<bytes>::type load(const std::int64_t* from) {
    typename entry_vector<bytes>::type v;
    std::memcpy(&v, from, bytes);
    return v;
}

template <std::size_t bytes>
[[gnu::always_inline]] inline void store(std::int64_t* to, typename entry_vector<bytes>::type v) {
    std::memcpy(to, &v, bytes);
}

// Scalar on purpose: baseline x86-64 has no 64-bit signed compare, and GCC's
// vectorisation of this loop with SSE2 runs slower than the loop itself.
#if defined(__GNUC__) && !defined(__clang__)
[[gnu::optimize("no-tree-vectorize")]]
#endif
void sweep_scalar(std::int64_t* best, std::size_t low, std::size_t top, std::size_t weight,
                  std::int64_t value) {
    for (std::size_t w = top; w-- > low;) {
        best[w] = std::max(best[w], best[w - weight] + value);
    }
}

// One item over the entries in [low, top), low >= weight, downwards, `unroll`
// vectors of `bytes` at a time. A group loads everything it reads before it stores, and
// lies above every entry still to be written, so best[w - weight] always holds
// its value from before this item, whatever the weight (below the lane count
// and 0 included): exactly the scalar downward sweep.
template <std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline void sweep_one(std::int64_t* best, std::size_t low, std::size_t top,
                                             std::size_t weight, std::int64_t value) {
    using vector = typename entry_vector<bytes>::type;
    constexpr std::size_t lanes = bytes / sizeof(std::int64_t);
    constexpr std::size_t span = lanes * unroll;
    // A few scalar updates first, so that every vector store is aligned: an
    // unaligned store that crosses a cache line costs as much as two.
    while (top > low && reinterpret_cast<std::uintptr_t>(best + top) % bytes != 0) {
        --top;
        best[top] = std::max(best[top], best[top - weight] + value);
    }
    const vector add = vector{} + value;
    while (top >= low + span) {
        std::int64_t* const block = best + (top - span);
        vector kept[unroll];
        vector taken[unroll];
        for (std::size_t u = 0; u < unroll; ++u) {
            kept[u] = load<bytes>(block + u * lanes);
            taken[u] = load<bytes>(block + u * lanes - weight);
        }
        for (std::size_t u = 0; u < unroll; ++u) {
            taken[u] += add;
            kept[u] = kept[u] > taken[u] ? kept[u] : taken[u];
        }
        for (std::size_t u = 0; u < unroll; ++u) {
            store<bytes>(block + u * lanes, kept[u]);
        }
        top -= span;
    }
    sweep_scalar(best, low, top, weight, value);
}

// Items swept together in one downward pass, when each is at least this heavy:
// the group needs every weight to be at least the lane count (below), and
// lighter items would load blocks whose stores are still in flight.
inline constexpr std::size_t group_size = 8;
inline constexpr std::size_t group_min_weight = 16;

// A group of items in one downward pass. Item i + 1 runs exactly its own
// weight ahead of item i, so the entries it takes from, best[x - w], are the
// block that item i has just computed, still in registers: per update the
// group loads one block and stores one, where items one by one load two.
// Correctness, for positions x(i) = t - ahead(i), ahead(i) = w(i+1) + ... :
// - item i + 1 needs at its block the values after item i: item i has passed
//   them, since x(i+1) - lanes + 1 > x(i) as every weight is at least lanes;
// - it takes from exactly item i's fresh block, since x(i+1) - w(i+1) = x(i);
// - item i reads only entries at or below x(i), which no later item of the
//   group has written yet, so it sees the values from before itself.
// Before the common pass each item does, in order, the top entries above its
// start, and after it, in order, the bottom entries below its end; both keep
// the same conditions, since every earlier item has finished what they read.
template <std::size_t bytes>
[[gnu::always_inline]] inline void sweep_group(std::int64_t* best, std::size_t size,
                                               const std::size_t* weights,
                                               const std::int64_t* values) {
    using vector = typename entry_vector<bytes>::type;
    constexpr auto lanes = static_cast<std::int64_t>(bytes / sizeof(std::int64_t));
    static_assert(group_min_weight >= bytes / sizeof(std::int64_t));
    const auto top = static_cast<std::int64_t>(size) - 1;
    std::int64_t ahead[group_size];  // how far the leading item is ahead of item i
    ahead[group_size - 1] = 0;
    for (std::size_t i = group_size - 1; i-- > 0;) {
        ahead[i] = ahead[i + 1] + static_cast<std::int64_t>(weights[i + 1]);
    }
    // Common pass over block tops t while every item has a whole block:
    // x(i) - lanes + 1 - w(i) >= 0 for all i.
    std::int64_t lowest_start = 0;
    for (std::size_t i = 0; i < group_size; ++i) {
        lowest_start =
            std::max(lowest_start, ahead[i] + static_cast<std::int64_t>(weights[i]) + lanes - 1);
    }
    const std::int64_t first = top;
    std::int64_t t = first;
    for (std::size_t i = 0; i < group_size; ++i) {
        const std::int64_t start =
            std::max<std::int64_t>(static_cast<std::int64_t>(weights[i]), first - ahead[i] + 1);
        if (start <= top) {
            sweep_one<bytes, 1>(best, static_cast<std::size_t>(start),
                                static_cast<std::size_t>(top + 1), weights[i], values[i]);
        }
    }
    vector add[group_size];
    for (std::size_t i = 0; i < group_size; ++i) {
        add[i] = vector{} + values[i];
    }
    for (; t >= lowest_start; t -= lanes) {
        std::int64_t* low = best + (t - ahead[0] - lanes + 1);
        vector fresh = load<bytes>(low - weights[0]);
        for (std::size_t i = 0; i < group_size; ++i) {
            low = best + (t - ahead[i] - lanes + 1);
            const vector kept = load<bytes>(low);
            const vector taken = fresh + add[i];
            fresh = kept > taken ? kept : taken;
            store<bytes>(low, fresh);
        }
    }
    for (std::size_t i = 0; i < group_size; ++i) {
        const std::int64_t end = t - ahead[i] + 1;  // entries below `end` are left
        if (end > static_cast<std::int64_t>(weights[i])) {
            sweep_one<bytes, 4>(best, weights[i], static_cast<std::size_t>(end), weights[i],
                                values[i]);
        }
    }
}

template <std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline std::int64_t sweep_all(std::span<std::int64_t> row,
                                                     std::span<const std::int32_t> values,
                                                     std::span<const std::int32_t> weights) {
    const std::size_t size = row.size();
    std::int64_t offset = 0;
    // Heavy items wait here until a group is full. The result does not depend
    // on the order of the items, so taking some later than others is exact.
    std::size_t group_weights[group_size];
    std::int64_t group_values[group_size];
    std::size_t waiting = 0;
    for (std::size_t j = 0; j < values.size(); ++j) {
        if (!can_change_table(static_cast<std::int32_t>(size - 1), values[j], weights[j])) {
            continue;
        }
        const std::int64_t value = values[j];
        const auto weight = static_cast<std::size_t>(weights[j]);
        if (weight == 0) {
            offset += value;
            continue;
        }
        if constexpr (bytes == 0) {
            sweep_scalar(row.data(), weight, size, weight, value);
        } else {
            if (weight >= group_min_weight) {
                group_weights[waiting] = weight;
                group_values[waiting] = value;
                if (++waiting == group_size) {
                    sweep_group<bytes>(row.data(), size, group_weights, group_values);
                    waiting = 0;
                }
                continue;
            }
            sweep_one<bytes, unroll>(row.data(), weight, size, weight, value);
        }
    }
    if constexpr (bytes != 0) {
        for (std::size_t i = 0; i < waiting; ++i) {
            sweep_one<bytes, unroll>(row.data(), group_weights[i], size, group_weights[i],
                                     group_values[i]);
        }
    }
    return offset;
}

// Each version is compiled for its own instruction set; nothing else in the
// program assumes more than baseline x86-64.
[[gnu::target("avx512f")]] std::int64_t sweep_avx512(std::span<std::int64_t> row,
                                                     std::span<const std::int32_t> values,
                                                     std::span<const std::int32_t> weights) {
    return sweep_all<64, 4>(row, values, weights);
}

[[gnu::target("avx2")]] std::int64_t sweep_avx2(std::span<std::int64_t> row,
                                                std::span<const std::int32_t> values,
                                                std::span<const std::int32_t> weights) {
    return sweep_all<32, 4>(row, values, weights);
}

std::int64_t sweep_portable(std::span<std::int64_t> row, std::span<const std::int32_t> values,
                            std::span<const std::int32_t> weights) {
    return sweep_all<0, 1>(row, values, weights);
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

std::int64_t sweep_items(sweep_isa isa, std::span<std::int64_t> row,
                         std::span<const std::int32_t> values,
                         std::span<const std::int32_t> weights) {
    switch (isa) {
        case sweep_isa::avx512:
            return sweep_avx512(row, values, weights);
        case sweep_isa::avx2:
            return sweep_avx2(row, values, weights);
        case sweep_isa::portable:
            break;
    }
    return sweep_portable(row, values, weights);
}
