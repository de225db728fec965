// Coefficient storage reused between encodes.
#include "CoefficientStore.h"

#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_map>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vantorel {

namespace {

constexpr std::size_t kHugePage = 2u << 20;
// Freed planes kept for the next store, so that a batch of pictures does not make the kernel
// clear tens of megabytes of fresh pages for every file.
constexpr std::size_t kPoolBytes = 256u << 20;

struct Pooled {
    void* memory;
    std::size_t bytes;
};

struct Pool {
    std::mutex mutex;
    std::vector<Pooled> blocks;
    std::size_t bytes = 0;
    ~Pool() {
        for (const Pooled& b : blocks)
            std::free(b.memory);
    }
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

std::mutex g_sizesMutex;
std::unordered_map<void*, std::size_t>& Sizes() {
    static std::unordered_map<void*, std::size_t> sizes;
    return sizes;
}

// A pooled block of at least `bytes` (and at most twice that), or null.
void* TakeFromPool(std::size_t bytes) {
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    for (std::size_t i = 0; i < pool.blocks.size(); ++i) {
        const Pooled b = pool.blocks[i];
        if (b.bytes >= bytes && b.bytes <= 2 * bytes) {
            pool.blocks.erase(pool.blocks.begin() + static_cast<long>(i));
            pool.bytes -= b.bytes;
            return b.memory;
        }
    }
    return nullptr;
}

} // namespace

void CoefficientStore::FreeMemory::operator()(std::int16_t* p) const {
    std::size_t bytes = 0;
    {
        std::lock_guard<std::mutex> lock(g_sizesMutex);
        const auto it = Sizes().find(p);
        if (it != Sizes().end()) {
            bytes = it->second;
            Sizes().erase(it);
        }
    }
    Pool& pool = ThePool();
    if (bytes > 0) {
        std::lock_guard<std::mutex> lock(pool.mutex);
        while (!pool.blocks.empty() && pool.bytes + bytes > kPoolBytes) {
            std::free(pool.blocks.front().memory);
            pool.bytes -= pool.blocks.front().bytes;
            pool.blocks.erase(pool.blocks.begin());
        }
        if (bytes <= kPoolBytes) {
            pool.blocks.push_back({p, bytes});
            pool.bytes += bytes;
            return;
        }
    }
    std::free(p);
}

// Tens of megabytes written once per encode: on huge pages the first touch costs a few hundred page
// faults instead of tens of thousands.
CoefficientStore::Plane CoefficientStore::Allocate(std::size_t count) {
    const std::size_t bytes = count * sizeof(std::int16_t);
    const bool huge = bytes >= kHugePage;
    const std::size_t rounded = huge ? (bytes + kHugePage - 1) / kHugePage * kHugePage : bytes;
    if (!huge)
        return Plane(static_cast<std::int16_t*>(std::malloc(rounded > 0 ? rounded : 1)));
    void* memory = TakeFromPool(rounded);
    if (!memory) {
        memory = std::aligned_alloc(kHugePage, rounded);
        if (!memory)
            throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        madvise(memory, rounded, MADV_HUGEPAGE);
#endif
    }
    std::lock_guard<std::mutex> lock(g_sizesMutex);
    Sizes()[memory] = rounded;
    return Plane(static_cast<std::int16_t*>(memory));
}

void CoefficientStore::Prepare(const std::vector<ComponentLayout>& layout) {
    m_planes.resize(layout.size());
    m_sizes.resize(layout.size(), 0);
    for (std::size_t c = 0; c < layout.size(); ++c) {
        const std::size_t size =
            static_cast<std::size_t>(layout[c].ArrayWidth) * static_cast<std::size_t>(layout[c].ArrayHeight) * 64;
        if (size != m_sizes[c] || !m_planes[c]) {
            m_planes[c].reset(); // free first, so that old and new never coexist
            m_planes[c] = Allocate(size);
            m_sizes[c] = size;
        }
    }
    m_layout = layout;
}

std::size_t CoefficientStore::Size() const {
    std::size_t total = 0;
    for (std::size_t s : m_sizes)
        total += s * sizeof(std::int16_t);
    return total;
}

void CoefficientStore::Release() {
    m_planes.clear();
    m_sizes.clear();
    m_layout.clear();
}

} // namespace vantorel
