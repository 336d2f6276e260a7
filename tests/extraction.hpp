// The reader and the standard formatted extraction it must match, each run
// over the same bytes to the first failure: shared by tests and fuzzers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <limits>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "reader.hpp"

// What a sequence of extractions yields: the fields, then why it stopped.
struct extraction {
    std::vector<std::int32_t> fields;
    read_status stop;
    bool stored_on_failure;  // a failed read wrote its output: never allowed
    bool operator==(const extraction&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const extraction& e) {
    out << "fields {";
    for (std::int32_t f : e.fields) {
        out << ' ' << f;
    }
    out << " } then status " << static_cast<int>(e.stop);
    return e.stored_on_failure ? out << ", with a value stored on failure" : out;
}

// The standard formatted extraction. It signals a number outside the range by
// failing with the largest or smallest value stored; any other failure stores 0.
inline extraction standard_extraction(const std::string& bytes) {
    std::istringstream stream(bytes);
    extraction result{{}, read_status::no_number, false};
    for (;;) {
        std::int32_t value = 0;
        if (stream >> value) {
            result.fields.push_back(value);
            continue;
        }
        if (value == std::numeric_limits<std::int32_t>::max() ||
            value == std::numeric_limits<std::int32_t>::min()) {
            result.stop = read_status::out_of_range;
        }
        return result;
    }
}

// The reader over the same bytes, refilling its buffer every `chunk` bytes.
inline extraction reader_extraction(const std::string& bytes, std::size_t chunk) {
    // fmemopen refuses an empty buffer; an empty temporary file reads the same.
    std::string copy = bytes;
    std::FILE* source = copy.empty() ? std::tmpfile() : fmemopen(copy.data(), copy.size(), "r");
    if (source == nullptr) {
        return {{}, read_status::read_error, false};
    }
    input_reader in = make_reader(source, chunk);
    extraction result{{}, read_status::no_number, false};
    for (;;) {
        constexpr std::int32_t untouched = 12345;
        std::int32_t value = untouched;
        const read_status status = read_number(in, value);
        if (status != read_status::number) {
            result.stop = status;
            result.stored_on_failure = value != untouched;
            break;
        }
        result.fields.push_back(value);
    }
    std::fclose(source);
    return result;
}
