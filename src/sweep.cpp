#include "sweep.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace {

// One item over the row, `bytes` of entries at a time, downwards. Within a
// block the loads come before the store, and every block lies above all
// entries still to be written, so best[w - weight] always holds its value from
// before this item, whatever the weight (below the lane count and 0
// included): exactly the scalar downward sweep.
template <std::size_t bytes>
[[gnu::always_inline]] inline void sweep_one(std::int64_t* best, std::size_t size,
                                             std::size_t weight, std::int64_t value) {
    using vector [[gnu::vector_size(bytes)]] = std::int64_t;
    constexpr std::size_t lanes = bytes / sizeof(std::int64_t);
    const vector add = vector{} + value;
    std::size_t top = size;  // entries from `top` up are done
    while (top >= weight + lanes) {
        const std::size_t low = top - lanes;
        vector kept;
        vector taken;
        std::memcpy(&kept, best + low, bytes);
        std::memcpy(&taken, best + low - weight, bytes);
        taken += add;
        kept = kept > taken ? kept : taken;
        std::memcpy(best + low, &kept, bytes);
        top = low;
    }
    for (std::size_t w = top; w-- > weight;) {
        best[w] = std::max(best[w], best[w - weight] + value);
    }
}

template <std::size_t bytes>
[[gnu::always_inline]] inline std::int64_t sweep_all(std::span<std::int64_t> row,
                                                     std::span<const std::int32_t> values,
                                                     std::span<const std::int32_t> weights) {
    const std::size_t size = row.size();
    std::int64_t offset = 0;
    for (std::size_t j = 0; j < values.size(); ++j) {
        const std::int64_t value = values[j];
        const auto weight = static_cast<std::size_t>(weights[j]);
        if (value <= 0 || weight >= size) {
            continue;
        }
        if (weight == 0) {
            offset += value;
            continue;
        }
        sweep_one<bytes>(row.data(), size, weight, value);
    }
    return offset;
}

// Each version is compiled for its own instruction set; nothing else in the
// program assumes more than baseline x86-64.
[[gnu::target("avx512f")]] std::int64_t sweep_avx512(std::span<std::int64_t> row,
                                                     std::span<const std::int32_t> values,
                                                     std::span<const std::int32_t> weights) {
    return sweep_all<64>(row, values, weights);
}

[[gnu::target("avx2")]] std::int64_t sweep_avx2(std::span<std::int64_t> row,
                                                std::span<const std::int32_t> values,
                                                std::span<const std::int32_t> weights) {
    return sweep_all<32>(row, values, weights);
}

std::int64_t sweep_portable(std::span<std::int64_t> row, std::span<const std::int32_t> values,
                            std::span<const std::int32_t> weights) {
    return sweep_all<16>(row, values, weights);
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
