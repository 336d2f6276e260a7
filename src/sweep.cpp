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

void sweep_scalar(std::int64_t* best, std::size_t top, std::size_t weight, std::int64_t value) {
    for (std::size_t w = top; w-- > weight;) {
        best[w] = std::max(best[w], best[w - weight] + value);
    }
}

// One item over the entries below `top`, downwards, `unroll` vectors of
// `bytes` at a time. A group loads everything it reads before it stores, and
// lies above every entry still to be written, so best[w - weight] always holds
// its value from before this item, whatever the weight (below the lane count
// and 0 included): exactly the scalar downward sweep.
template <std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline void sweep_one(std::int64_t* best, std::size_t top,
                                             std::size_t weight, std::int64_t value) {
    using vector = typename entry_vector<bytes>::type;
    constexpr std::size_t lanes = bytes / sizeof(std::int64_t);
    constexpr std::size_t span = lanes * unroll;
    // A few scalar updates first, so that every vector store is aligned: an
    // unaligned store that crosses a cache line costs as much as two.
    while (top > weight && reinterpret_cast<std::uintptr_t>(best + top) % bytes != 0) {
        --top;
        best[top] = std::max(best[top], best[top - weight] + value);
    }
    const vector add = vector{} + value;
    while (top >= weight + span) {
        std::int64_t* const low = best + (top - span);
        vector kept[unroll];
        vector taken[unroll];
        for (std::size_t u = 0; u < unroll; ++u) {
            kept[u] = load<bytes>(low + u * lanes);
            taken[u] = load<bytes>(low + u * lanes - weight);
        }
        for (std::size_t u = 0; u < unroll; ++u) {
            taken[u] += add;
            kept[u] = kept[u] > taken[u] ? kept[u] : taken[u];
        }
        for (std::size_t u = 0; u < unroll; ++u) {
            store<bytes>(low + u * lanes, kept[u]);
        }
        top -= span;
    }
    sweep_scalar(best, top, weight, value);
}

template <std::size_t bytes, std::size_t unroll>
[[gnu::always_inline]] inline std::int64_t sweep_all(std::span<std::int64_t> row,
                                                     std::span<const std::int32_t> values,
                                                     std::span<const std::int32_t> weights) {
    const std::size_t size = row.size();
    std::int64_t offset = 0;
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
            sweep_scalar(row.data(), size, weight, value);
        } else {
            sweep_one<bytes, unroll>(row.data(), size, weight, value);
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
