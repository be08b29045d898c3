#pragma once

#include <cstddef>
#include <memory>

// Makes the pages of a block of memory present and writable in one call, instead of one page fault each as the
// block is first written. On a virtual machine every fault is an exit to the host, so a block written whole
// soon after it is made, such as a picture of dozens of pages, is made faster this way. Blocks under 64 KB are
// left as they are, and so is every block on a kernel without MADV_POPULATE_WRITE (before Linux 5.14).
void Prefault(void* memory, std::size_t bytes);

// The standard allocator, with every block it makes prefaulted.
template <class T>
struct PrefaultingAllocator {
    using value_type = T;

    PrefaultingAllocator() = default;
    template <class U>
    PrefaultingAllocator(const PrefaultingAllocator<U>&)
    {
    }

    T* allocate(std::size_t n)
    {
        T* block = std::allocator<T>{}.allocate(n);
        Prefault(block, n * sizeof(T));
        return block;
    }
    void deallocate(T* block, std::size_t n) { std::allocator<T>{}.deallocate(block, n); }

    template <class U>
    bool operator==(const PrefaultingAllocator<U>&) const
    {
        return true;
    }
};
