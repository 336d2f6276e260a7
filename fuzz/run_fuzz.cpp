// The whole run on arbitrary bytes: either a result, digits only and nothing
// on the diagnostic stream, or one line "knapsack: ..." and no result; and
// the same outcome as an independent reading of the same bytes with the
// standard extraction, and its total from the plain sweep.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "captured_run.hpp"
#include "plain_sweep.hpp"

namespace {

// What the run must do with `bytes`: refuse (false) or print `total`.
struct outcome {
    bool accepted;
    std::int64_t total;
};

// Reads the instance as the standard extraction does and applies the
// program's rules. Leaves `too_large` set where the instance is too large to
// check quickly, in which case nothing is expected.
outcome expected_outcome(const std::string& bytes, bool& too_large) {
    std::istringstream stream(bytes);
    // 1: a number; 0: no number (the end or junk); -1: out of range.
    auto next = [&](std::int32_t& field) {
        std::int32_t value = 0;
        if (stream >> value) {
            field = value;
            return 1;
        }
        return value == std::numeric_limits<std::int32_t>::max() ||
                       value == std::numeric_limits<std::int32_t>::min()
                   ? -1
                   : 0;
    };
    std::int32_t count = 0;
    std::int32_t capacity = 0;
    if (next(count) != 1 || next(capacity) != 1 || count < 0 || capacity < 0) {
        return {false, 0};
    }
    if ((std::int64_t{count} + 1) * (std::int64_t{capacity} + 1) > 2000000) {
        too_large = true;
        return {false, 0};
    }
    std::vector<std::int32_t> values(static_cast<std::size_t>(count));
    std::vector<std::int32_t> weights(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int value = next(values[i]);
        if (value < 0) {
            return {false, 0};
        }
        const int weight = value == 1 ? next(weights[i]) : 0;
        if (weight < 0 || weights[i] < 0) {
            return {false, 0};
        }
        if (weight == 0) {
            break;
        }
    }
    return {true, plain_sweep(capacity, values, weights)};
}

[[noreturn]] void fail(const std::string& what, const std::string& bytes) {
    std::cerr << what << "\ninput: \"" << bytes.substr(0, 300) << "\"\n";
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    bool too_large = false;
    const outcome expected = expected_outcome(bytes, too_large);
    if (too_large) {
        return 0;
    }
    std::string copy = bytes;
    const captured_run run =
        run_captured(copy.empty() ? std::tmpfile() : fmemopen(copy.data(), copy.size(), "r"));
    const int status = run.status;
    const std::string& printed = run.printed;
    const std::string& said = run.said;
    if (status == 0) {
        if (!said.empty() || printed.empty() ||
            printed.find_first_not_of("0123456789") != std::string::npos) {
            fail("a result must be digits alone, with nothing said: \"" + printed + "\", \"" +
                     said + "\"",
                 bytes);
        }
    } else if (status != 1 || !printed.empty() || said.rfind("knapsack: ", 0) != 0 ||
               said.find('\n') != said.size() - 1) {
        fail("a refusal must be status 1 and one line: status " + std::to_string(status) + ", \"" +
                 printed + "\", \"" + said + "\"",
             bytes);
    }
    if ((status == 0) != expected.accepted ||
        (status == 0 && printed != std::to_string(expected.total))) {
        fail("expected " + (expected.accepted ? std::to_string(expected.total) : "a refusal") +
                 ", the run gave status " + std::to_string(status) + ", \"" + printed + "\", \"" +
                 said + "\"",
             bytes);
    }
    return 0;
}
