// A stream that yields some bytes and then fails with EIO, as a disk or a
// pipe can: the only way to reach a read error in the middle of the input.
#pragma once

#include <sys/types.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

struct failing_cookie {
    std::string bytes;
    std::size_t served;
};

inline ssize_t failing_read(void* cookie, char* into, std::size_t size) {
    auto* source = static_cast<failing_cookie*>(cookie);
    if (source->served == source->bytes.size()) {
        errno = EIO;
        return -1;
    }
    const std::size_t n = std::min(size, source->bytes.size() - source->served);
    std::memcpy(into, source->bytes.data() + source->served, n);
    source->served += n;
    return static_cast<ssize_t>(n);
}

// Opens `cookie` for reading; the stream fails once its bytes are served.
inline std::FILE* open_failing(failing_cookie& cookie) {
    cookie_io_functions_t functions{};
    functions.read = failing_read;
    std::FILE* stream = fopencookie(&cookie, "r", functions);
    if (stream != nullptr) {
        std::setvbuf(stream, nullptr, _IONBF, 0);
    }
    return stream;
}
