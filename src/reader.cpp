#include "reader.hpp"

#include <algorithm>
#include <cerrno>

namespace {

// Replaces the consumed buffer with the next chunk. Returns false when the
// source has nothing more; `in.error` then tells an error from the end.
bool refill(input_reader& in) {
    if (in.source_done) {
        return false;
    }
    char* const data = in.buffer.get();
    const std::size_t chunk = in.chunk;
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
    in.window = nullptr;
    in.last = data + got;
    *in.last = '\0';
    return got > 0;
}

}  // namespace

input_reader make_reader(std::FILE* source, std::size_t chunk) {
    // Left uninitialised: only the bytes a fill brings in are ever read.
    chunk = std::max<std::size_t>(chunk, 1);
    input_reader in{source,  std::make_unique_for_overwrite<char[]>(chunk + 1),
                    chunk,   nullptr,
                    nullptr, false,
                    0,       nullptr,
                    0,       0};
    in.next = in.buffer.get();
    in.last = in.next;
    *in.last = '\0';
    return in;
}

read_status read_number_bytewise(input_reader& in, std::int32_t& value) {
    using reader_detail::digit_of;
    using reader_detail::is_space;
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

    // Leading zeros first, so that the significant digits can be counted: a
    // number of more than ten of them is out of range whatever they are, and
    // with ten or fewer the magnitude cannot overflow. The digit loop carries
    // no test but the digit itself, so it runs at the speed of the multiply.
    // Each loop goes on across refills until a byte that is not its own, or
    // the end of the source.
    bool any_digit = false;
    do {
        while (*in.next == '0') {
            ++in.next;
            any_digit = true;
        }
    } while (in.next == in.last && refill(in));
    std::uint64_t magnitude = 0;  // wraps only when `significant` exceeds 19
    std::size_t significant = 0;
    do {
        const char* const first = in.next;
        unsigned d = 0;
        while ((d = digit_of(*in.next)) < 10) {
            magnitude = magnitude * 10 + d;
            ++in.next;
        }
        significant += static_cast<std::size_t>(in.next - first);
    } while (in.next == in.last && refill(in));
    // Digits that reach the end of what a failing source gave may have gone on.
    if (in.next == in.last && in.error != 0) {
        return read_status::read_error;
    }

    if (!any_digit && significant == 0) {
        return read_status::no_number;
    }
    const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
    if (significant > 10 || magnitude > limit) {
        return read_status::out_of_range;
    }
    const auto signed_magnitude = static_cast<std::int64_t>(magnitude);
    value = static_cast<std::int32_t>(negative ? -signed_magnitude : signed_magnitude);
    return read_status::number;
}
