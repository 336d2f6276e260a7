// The reader against the standard formatted extraction on arbitrary bytes:
// the same fields and the same stopping point, with the buffer refilled at a
// size the first byte chooses, so that numbers are cut at every position.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "extraction.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t chunk = data[0] == 255 ? default_chunk : 1 + data[0] % 40;
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const extraction expected = standard_extraction(bytes);
    const extraction actual = reader_extraction(bytes, chunk);
    if (!(actual == expected)) {
        std::cerr << "chunk " << chunk << ": reader gave " << actual << ", the standard "
                  << expected << '\n';
        std::abort();
    }
    return 0;
}
