#include "reader.hpp"

#include <algorithm>
#include <cerrno>

namespace {

// The classic locale's white space: blank, \t, \n, \v, \f and \r.
bool is_space(char c) {
    return c == ' ' || static_cast<unsigned char>(c - '\t') < 5;
}

unsigned digit_of(char c) {
    return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0';
}

// Replaces the consumed buffer with the next chunk. Returns false when the
// source has nothing more; `in.error` then tells an error from the end.
bool refill(input_reader& in) {
    if (in.source_done) {
        return false;
    }
    char* const data = in.buffer.data();
    const std::size_t chunk = in.buffer.size() - 1;
    errno = 0;
    const std::size_t got = std::fread(data, 1, chunk, in.source);
    if (got < chunk) {
        // A short count means end of input or an error; asking again could
        // block on a terminal, so the source is not read any further.
        in.source_done = true;
        if (std::ferror(in.source)) {
            in.error = errno != 0 ? errno : EIO;
        }
    }
    in.next = data;
    in.last = data + got;
    *in.last = '\0';
    return got > 0;
}

}  // namespace

input_reader make_reader(std::FILE* source, std::size_t chunk) {
    input_reader in{
        source, std::vector<char>(std::max<std::size_t>(chunk, 1) + 1), nullptr, nullptr, false, 0};
    in.next = in.buffer.data();
    in.last = in.next;
    *in.last = '\0';
    return in;
}

read_status read_number(input_reader& in, std::int32_t& value) {
    for (;;) {
        while (is_space(*in.next)) {
            ++in.next;
        }
        if (in.next != in.last) {
            break;
        }
        if (!refill(in)) {
            return in.error != 0 ? read_status::read_error : read_status::no_number;
        }
    }

    bool negative = false;
    if (*in.next == '+' || *in.next == '-') {
        negative = *in.next == '-';
        ++in.next;
        if (in.next == in.last && !refill(in)) {
            return in.error != 0 ? read_status::read_error : read_status::no_number;
        }
    }

    // The magnitude saturates just above 2^31, the largest magnitude a 32-bit
    // value can have, so any run of digits is consumed without overflowing
    // while an out-of-range number still reads as out of range.
    constexpr std::uint64_t saturated = (std::uint64_t{1} << 31) + 1;
    std::uint64_t magnitude = 0;
    bool any_digit = false;
    for (;;) {
        unsigned d = 0;
        while ((d = digit_of(*in.next)) < 10) {
            magnitude = std::min(magnitude * 10 + d, saturated);
            any_digit = true;
            ++in.next;
        }
        if (in.next != in.last) {
            break;
        }
        if (!refill(in)) {
            if (in.error != 0) {
                return read_status::read_error;
            }
            break;
        }
    }

    if (!any_digit) {
        return read_status::no_number;
    }
    const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
    if (magnitude > limit) {
        return read_status::out_of_range;
    }
    const auto signed_magnitude = static_cast<std::int64_t>(magnitude);
    value = static_cast<std::int32_t>(negative ? -signed_magnitude : signed_magnitude);
    return read_status::number;
}
