#include "run.hpp"

#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <span>

#include "best_total.hpp"
#include "reader.hpp"
#include "zeroed_array.hpp"

namespace {

// Writes one diagnostic line and gives the exit status of a refusal.
[[gnu::format(printf, 2, 3)]] int refuse(std::FILE* diagnostics, const char* format, ...) {
    std::fputs("knapsack: ", diagnostics);
    va_list args;
    va_start(args, format);
    std::vfprintf(diagnostics, format, args);
    va_end(args);
    std::fputc('\n', diagnostics);
    return 1;
}

int refuse_read_error(std::FILE* diagnostics, const input_reader& in) {
    return refuse(diagnostics, "cannot read standard input: %s", std::strerror(in.error));
}

// Reads one field of item `item` (counted from 1) into `field`. Returns false
// when reading must stop: at the first failed extraction, which leaves this
// field and every later one 0, or at a refusal, which sets `status` to 1.
bool read_item_field(std::FILE* diagnostics, input_reader& in, std::int32_t& field,
                     std::size_t item, const char* name, int& status) {
    switch (read_number(in, field)) {
        case read_status::number:
            return true;
        case read_status::no_number:
            return false;
        case read_status::out_of_range:
            status = refuse(diagnostics, "item %zu: the %s is outside the 32-bit signed range",
                            item, name);
            return false;
        case read_status::read_error:
            status = refuse_read_error(diagnostics, in);
            return false;
    }
    return false;
}

}  // namespace

int run_knapsack(std::FILE* input, std::FILE* output, std::FILE* diagnostics) {
    input_reader in = make_reader(input);

    std::int32_t item_count = 0;
    std::int32_t capacity = 0;
    for (std::int32_t* field : {&item_count, &capacity}) {
        switch (read_number(in, *field)) {
            case read_status::number:
                break;
            case read_status::no_number:
                return refuse(diagnostics,
                              "input does not begin with the number of items and the capacity");
            case read_status::out_of_range:
                return refuse(diagnostics, "the %s is outside the 32-bit signed range",
                              field == &item_count ? "number of items" : "capacity");
            case read_status::read_error:
                return refuse_read_error(diagnostics, in);
        }
    }
    if (item_count < 0) {
        return refuse(diagnostics, "the number of items is negative: %d", item_count);
    }
    if (capacity < 0) {
        return refuse(diagnostics, "the capacity is negative: %d", capacity);
    }

    const auto count = static_cast<std::size_t>(item_count);
    zeroed_array<std::int32_t> values;
    zeroed_array<std::int32_t> weights;
    try {
        values.resize(count);
        weights.resize(count);
    } catch (const std::bad_alloc&) {
        return refuse(diagnostics, "not enough memory for the item arrays (%zu items)", count);
    }

    int status = 0;
    std::size_t stored = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::int32_t value = 0;
        std::int32_t weight = 0;
        const bool complete = read_item_field(diagnostics, in, value, i + 1, "value", status) &&
                              read_item_field(diagnostics, in, weight, i + 1, "weight", status);
        if (status != 0) {
            return status;
        }
        if (weight < 0) {
            return refuse(diagnostics, "item %zu: the weight is negative: %d", i + 1, weight);
        }
        // An item that cannot change the table gives the same result as an
        // item (0, 0), so only the others are stored, in input order, at the
        // front; the rest of the arrays keeps the zeros it was created with.
        // The result does not depend on the order of the items, and the table
        // never looks at the pages of a large instance that hold no item.
        if (can_change_table(capacity, value, weight)) {
            values[stored] = value;
            weights[stored] = weight;
            ++stored;
        }
        if (!complete) {
            break;
        }
    }

    std::int64_t total = 0;
    try {
        total =
            best_total(capacity, std::span(values).first(stored), std::span(weights).first(stored));
    } catch (const std::bad_alloc&) {
        return refuse(diagnostics, "not enough memory for the table");
    }

    char digits[24];
    const char* const end = std::to_chars(digits, digits + sizeof digits, total).ptr;
    const auto length = static_cast<std::size_t>(end - digits);
    errno = 0;
    if (std::fwrite(digits, 1, length, output) != length || std::fflush(output) != 0) {
        return refuse(diagnostics, "cannot write the result: %s",
                      std::strerror(errno != 0 ? errno : EIO));
    }
    return 0;
}
