#include "base/PrefaultedMemory.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

void Prefault([[maybe_unused]] void* memory, [[maybe_unused]] std::size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    constexpr std::size_t kSmallest = 64 * 1024;
    if (bytes < kSmallest)
        return;
    static const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    // The whole pages inside the block only: rounded outwards, the range could reach past the mapped memory.
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t first = (start + page - 1) / page * page, end = (start + bytes) / page * page;
    // A failure leaves the pages to fault in as they are written, as without the call.
    if (end > first)
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#endif
}
