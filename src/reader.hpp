// Turns the bytes of an input stream into 32-bit signed integers, with the
// semantics of `std::istream >> std::int32_t` in the classic locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

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
    std::vector<char> buffer;  // chunk bytes of data, then room for the sentinel
    char* next;                // first byte not yet consumed
    char* last;                // one past the buffered data; *last == '\0'
    bool source_done;          // the source has reported end of input or an error
    int error;                 // errno of a failed read, 0 if none
};

// The largest chunk one fill reads: together with the sentinel, 1 MiB.
inline constexpr std::size_t default_chunk = (std::size_t{1} << 20) - 1;

input_reader make_reader(std::FILE* source, std::size_t chunk = default_chunk);

// Skips whitespace and reads one optionally signed decimal integer. `value` is
// written only when the result is `read_status::number`. A number that is cut
// by a buffer refill, or carries any number of leading zeros, reads the same.
read_status read_number(input_reader& in, std::int32_t& value);
