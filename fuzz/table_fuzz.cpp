// Every path of the table, each sweep version at each entry width, against
// the plain downward sweep, on small instances decoded from the bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <vector>

#include "best_total.hpp"
#include "plain_sweep.hpp"

namespace {

// Takes the next byte, or 0 once the bytes are used up.
struct byte_source {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t next;
};

unsigned take(byte_source& in) {
    return in.next < in.size ? in.data[in.next++] : 0u;
}

unsigned take16(byte_source& in) {
    const unsigned low = take(in);
    return low | take(in) << 8;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::int32_t max32 = std::numeric_limits<std::int32_t>::max();
    byte_source in{data, size, 0};
    const auto capacity = static_cast<std::int32_t>(take16(in) % 3000);
    std::vector<std::int32_t> values;
    std::vector<std::int32_t> weights;
    // Five bytes an item: how its value and weight are drawn, then the draws.
    while (in.next < in.size && values.size() < 64) {
        const unsigned shape = take(in);
        const unsigned v = take16(in);
        const unsigned w = take16(in);
        std::int32_t value = 0;
        switch (shape & 3u) {
            case 0:
                value = static_cast<std::int32_t>(v % 1000);
                break;
            case 1:
                value = static_cast<std::int32_t>(v * 30000u);
                break;
            case 2:
                value = max32 - static_cast<std::int32_t>(v % 16);
                break;
            default:
                value = -static_cast<std::int32_t>(v) * 1000;
                break;
        }
        std::int32_t weight = 0;
        switch (shape >> 2 & 3u) {
            case 0:
                weight = static_cast<std::int32_t>(w % 24);
                break;
            case 1:
                weight = static_cast<std::int32_t>(w % (static_cast<unsigned>(capacity) + 8));
                break;
            case 2:
                weight = static_cast<std::int32_t>(w % 600);
                break;
            default:
                weight = (w & 1u) != 0 ? max32 : static_cast<std::int32_t>(w);
                break;
        }
        values.push_back(value);
        weights.push_back(weight);
    }
    const std::int64_t expected = plain_sweep(capacity, values, weights);
    for (sweep_isa isa : supported_isas()) {
        for (sweep_schedule schedule : {sweep_schedule::chosen, sweep_schedule::tiled}) {
            for (entry_width width : {entry_width::narrowest, entry_width::wide}) {
                const std::int64_t actual =
                    best_total_with(isa, schedule, width, capacity, values, weights);
                if (actual != expected) {
                    std::cerr << isa_name(isa) << " " << schedule_name(schedule)
                              << (width == entry_width::wide ? " wide" : "") << ": " << actual
                              << ", the plain sweep " << expected << ", capacity " << capacity
                              << ", " << values.size() << " items\n";
                    std::abort();
                }
            }
        }
    }
    return 0;
}
