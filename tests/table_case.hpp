// One instance with its known best total, for tables of cases.
#pragma once

#include <cstdint>
#include <vector>

struct table_case {
    const char* name;
    std::int32_t capacity;
    std::vector<std::int32_t> values;
    std::vector<std::int32_t> weights;
    std::int64_t expected;
};
