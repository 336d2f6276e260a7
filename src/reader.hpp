// Turns the bytes of an input stream into 32-bit signed integers, with the
// semantics of `std::istream >> std::int32_t` in the classic locale.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

enum class read_status {
    number,        // a number was read and stored
    no_number,     // end of input, or text that does not begin a number
    out_of_range,  // a well-formed number outside the 32-bit signed range
    read_error,    // the source reported an error; `input_reader::error` holds errno
};

// Streams a source through one fixed buffer, so memory does not grow with the
// input. The byte after the buffered data is always '\0', a sentinel that ends
// the whitespace and digit loops without a bounds test on every byte.
struct input_reader {
    std::FILE* source;
    std::unique_ptr<char[]> buffer;  // `chunk` bytes of data, then room for the sentinel
    std::size_t chunk;
    char* next;        // first byte not yet consumed
    char* last;        // one past the buffered data; *last == '\0'
    bool source_done;  // the source has reported end of input or an error
    int error;         // errno of a failed read, 0 if none
    // A window of 64 buffered bytes from `window`, classified once: bit k of
    // `window_digits` (`window_spaces`) is set when byte k is a digit (white
    // space). Null when there is none; a refill discards it.
    const char* window;
    std::uint64_t window_digits;
    std::uint64_t window_spaces;
};

// The largest chunk one fill reads: together with the sentinel, 1 MiB.
inline constexpr std::size_t default_chunk = (std::size_t{1} << 20) - 1;

input_reader make_reader(std::FILE* source, std::size_t chunk = default_chunk);

// Reads one number byte by byte, refilling the buffer wherever it runs out.
read_status read_number_bytewise(input_reader& in, std::int32_t& value);

namespace reader_detail {

// The classic locale's white space: blank, \t, \n, \v, \f and \r.
inline bool is_space(char c) {
    return c == ' ' || static_cast<unsigned char>(c - '\t') < 5;
}

inline unsigned digit_of(char c) {
    return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0';
}

inline std::uint64_t load_eight(const char* from) {
    std::uint64_t chunk = 0;
    std::memcpy(&chunk, from, sizeof chunk);
    return chunk;
}

// How many of the eight bytes of `chunk`, in memory order, are digits before
// the first one that is not. Subtracting '0' maps exactly the digits to 0..9;
// a byte of 10 or more gets its high bit from the addition of 0x76, one of
// 0x80 or more has it already. A carry out of a byte only reaches bytes after
// it, and only out of a byte that is itself flagged, so the first flag is right.
inline unsigned digit_run(std::uint64_t chunk) {
    const std::uint64_t t = chunk ^ 0x3030303030303030;
    const std::uint64_t flags = ((t + 0x7676767676767676) | t) & 0x8080808080808080;
    return static_cast<unsigned>(std::countr_zero(flags)) / 8;  // 64 / 8 when all are digits
}

// The value of the first `count` (1 to 8) digits of `chunk`. Shifting the
// digits to the top of the word puts zeros before them; then pairs, quads and
// the whole are combined with three multiplications.
inline std::uint64_t digits_value(std::uint64_t chunk, unsigned count) {
    std::uint64_t v = (chunk ^ 0x3030303030303030) << (8 * (8 - count));
    v = v * 10 + (v >> 8);
    constexpr std::uint64_t mask = 0x000000FF000000FF;
    constexpr std::uint64_t pairs = 100 + (std::uint64_t{1000000} << 32);
    constexpr std::uint64_t quads = 1 + (std::uint64_t{10000} << 32);
    return ((v & mask) * pairs + ((v >> 16) & mask) * quads) >> 32;
}

// Reads a number of at most 16 digits that lies wholly inside the buffer,
// eight bytes at a time. Returns false, having consumed nothing, for anything
// else, which the byte-wise path then reads.
inline bool read_short_number(input_reader& in, read_status& status, std::int32_t& value) {
    char* p = in.next;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') {
        ++p;
    }
    const std::uint64_t head = load_eight(p);
    unsigned count = digit_run(head);
    std::uint64_t magnitude = 0;
    if (count < 8) {
        if (count == 0) {
            return false;
        }
        magnitude = digits_value(head, count);
    } else {
        const unsigned more = digit_run(load_eight(p + 8));
        if (more == 8) {
            return false;
        }
        count = 8 + more;
        // The last eight digits, then whatever comes before them.
        magnitude = digits_value(load_eight(p + count - 8), 8);
        if (more > 0) {
            magnitude += digits_value(head, more) * 100000000;
        }
    }
    in.next = p + count;
    const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
    if (magnitude > limit) {
        status = read_status::out_of_range;
        return true;
    }
    const auto signed_magnitude = static_cast<std::int64_t>(magnitude);
    value = static_cast<std::int32_t>(negative ? -signed_magnitude : signed_magnitude);
    status = read_status::number;
    return true;
}

#if defined(__SSE2__)
inline constexpr bool has_windows = true;

// Classifies the 64 bytes from `from` into `in`'s window.
inline void classify_window(input_reader& in, const char* from) {
    std::uint64_t digits = 0;
    std::uint64_t spaces = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16 * k));
        // Signed compares: bytes from 0x80 up are negative, neither digit nor space.
        const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('0' - 1)),
                                            _mm_cmplt_epi8(bytes, _mm_set1_epi8('9' + 1)));
        const __m128i space =
            _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')),
                         _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('\t' - 1)),
                                       _mm_cmplt_epi8(bytes, _mm_set1_epi8('\r' + 1))));
        digits |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(digit)))
                  << (16 * k);
        spaces |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(space)))
                  << (16 * k);
    }
    in.window = from;
    in.window_digits = digits;
    in.window_spaces = spaces;
}
#else
inline constexpr bool has_windows = false;
inline void classify_window(input_reader&, const char*) {}
#endif

// Reads an unsigned number of at most 16 digits that starts within the first
// 48 bytes of a classified window, after white space only. Positions come
// from the masks, not from the bytes, so finding where the next number ends
// does not wait for this one's digits to be loaded: consecutive numbers are
// read in parallel. Returns false, having consumed at most white space, for
// anything else.
inline bool read_window_number(input_reader& in, read_status& status, std::int32_t& value) {
    constexpr std::size_t reach = 48;  // a number starting here ends within the window
    std::size_t offset = 0;
    if (in.window == nullptr || (offset = static_cast<std::size_t>(in.next - in.window)) >= reach) {
        // 64 bytes to classify and 8 to spare for the loads of the digits.
        if (in.last - in.next < 72) {
            return false;
        }
        classify_window(in, in.next);
        offset = 0;
    }
    const std::size_t start =
        offset + static_cast<std::size_t>(std::countr_one(in.window_spaces >> offset));
    if (start >= reach) {
        in.next = const_cast<char*>(in.window) + start;
        return false;
    }
    const auto count = static_cast<unsigned>(std::countr_one(in.window_digits >> start));
    char* const first = const_cast<char*>(in.window) + start;
    in.next = first;
    if (count == 0 || count > 16) {
        return false;
    }
    std::uint64_t magnitude = 0;
    if (count <= 8) {
        magnitude = digits_value(load_eight(first), count);
    } else {
        magnitude = digits_value(load_eight(first + count - 8), 8) +
                    digits_value(load_eight(first), count - 8) * 100000000;
    }
    in.next = first + count;
    if (magnitude > (std::uint64_t{1} << 31) - 1) {
        status = read_status::out_of_range;
        return true;
    }
    value = static_cast<std::int32_t>(magnitude);
    status = read_status::number;
    return true;
}

}  // namespace reader_detail

// Skips whitespace and reads one optionally signed decimal integer. `value` is
// written only when the result is `read_status::number`. A number that is cut
// by a buffer refill, or carries any number of leading zeros, reads the same.
//
// Inline, so that the common case, a short number wholly inside the buffer,
// costs no call: it is most of the work of reading a large instance.
inline read_status read_number(input_reader& in, std::int32_t& value) {
    if constexpr (std::endian::native == std::endian::little) {
        read_status status = read_status::no_number;
        if (reader_detail::has_windows && reader_detail::read_window_number(in, status, value)) {
            return status;
        }
        while (reader_detail::is_space(*in.next)) {
            ++in.next;
        }
        // A sign and sixteen digits, with eight bytes to spare for the loads.
        if (in.last - in.next >= 25 && reader_detail::read_short_number(in, status, value)) {
            return status;
        }
    }
    return read_number_bytewise(in, value);
}
