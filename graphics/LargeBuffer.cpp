// Pooled memory on huge pages.
#include "LargeBuffer.h"

#include <cstdlib>
#include <mutex>
#include <unordered_map>
#include <vector>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vantorel {

namespace {

constexpr std::size_t kHugePage = 2u << 20;
// Freed blocks kept for the next picture, so that a batch or live recompression does not make the
// kernel clear tens of megabytes of fresh pages for every file.
constexpr std::size_t kPoolBytes = 256u << 20;

struct Pooled {
    void* memory;
    std::size_t bytes;
};

struct Pool {
    std::mutex mutex;
    std::vector<Pooled> free;
    std::size_t freeBytes = 0;
    std::unordered_map<void*, std::size_t> sizes; // every block handed out, with its rounded size
    ~Pool() {
        for (const Pooled& b : free)
            std::free(b.memory);
    }
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

} // namespace

void* AllocateLarge(std::size_t bytes) {
    const bool huge = bytes >= kHugePage;
    const std::size_t rounded = huge ? (bytes + kHugePage - 1) / kHugePage * kHugePage : (bytes > 0 ? bytes : 1);
    Pool& pool = ThePool();
    {
        std::lock_guard<std::mutex> lock(pool.mutex);
        // A pooled block of at least the size and at most twice it.
        for (std::size_t i = 0; huge && i < pool.free.size(); ++i) {
            const Pooled b = pool.free[i];
            if (b.bytes >= rounded && b.bytes <= 2 * rounded) {
                pool.free.erase(pool.free.begin() + static_cast<long>(i));
                pool.freeBytes -= b.bytes;
                pool.sizes[b.memory] = b.bytes;
                return b.memory;
            }
        }
    }
    void* memory = huge ? std::aligned_alloc(kHugePage, rounded) : std::malloc(rounded);
    if (!memory)
        return nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (huge)
        madvise(memory, rounded, MADV_HUGEPAGE);
#endif
    std::lock_guard<std::mutex> lock(pool.mutex);
    pool.sizes[memory] = huge ? rounded : 0; // small blocks are never pooled
    return memory;
}

void FreeLarge(void* block) {
    if (!block)
        return;
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    std::size_t bytes = 0;
    if (const auto it = pool.sizes.find(block); it != pool.sizes.end()) {
        bytes = it->second;
        pool.sizes.erase(it);
    }
    if (bytes > 0 && bytes <= kPoolBytes) {
        while (!pool.free.empty() && pool.freeBytes + bytes > kPoolBytes) {
            std::free(pool.free.front().memory);
            pool.freeBytes -= pool.free.front().bytes;
            pool.free.erase(pool.free.begin());
        }
        pool.free.push_back({block, bytes});
        pool.freeBytes += bytes;
        return;
    }
    std::free(block);
}

} // namespace vantorel
