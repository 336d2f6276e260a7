// Arrays of integers that are zero from birth, without a write to make them so.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <vector>

// Asks the kernel to back [data, data + bytes) with transparent huge pages
// where it can. Only a hint: nothing changes where it is not supported.
void prefer_huge_pages(void* data, std::size_t bytes);

// Memory from calloc is zero already, and for a large block it is fresh pages
// that calloc does not touch, so creating an array costs no write: a page is
// faulted in, 2 MiB at a time where the kernel allows, only when something is
// stored in it. Elements are integers, for which zero bytes are the value 0.
template <typename T>
struct zeroed_allocator {
    static_assert(std::is_integral_v<T>);
    using value_type = T;

    zeroed_allocator() = default;
    template <typename U>
    zeroed_allocator(const zeroed_allocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        void* data = std::calloc(count, sizeof(T));
        if (data == nullptr) {
            throw std::bad_alloc();
        }
        prefer_huge_pages(data, count * sizeof(T));
        return static_cast<T*>(data);
    }
    void deallocate(T* data, std::size_t) noexcept { std::free(data); }

    // Value-initialisation would write the zeros that calloc has given.
    template <typename U>
    void construct(U*) noexcept {}

    template <typename U>
    bool operator==(const zeroed_allocator<U>&) const noexcept {
        return true;
    }
};

template <typename T>
using zeroed_array = std::vector<T, zeroed_allocator<T>>;
