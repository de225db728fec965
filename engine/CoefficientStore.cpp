// Coefficient storage reused between encodes.
#include "CoefficientStore.h"

#include <cstdlib>
#include <new>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vantorel {

namespace {

constexpr std::size_t kHugePage = 2u << 20;

} // namespace

void CoefficientStore::FreeMemory::operator()(std::int16_t* p) const { std::free(p); }

// Tens of megabytes written once per encode: on huge pages the first touch costs a few hundred page
// faults instead of tens of thousands.
CoefficientStore::Plane CoefficientStore::Allocate(std::size_t count) {
    const std::size_t bytes = count * sizeof(std::int16_t);
    const bool huge = bytes >= kHugePage;
    const std::size_t rounded = huge ? (bytes + kHugePage - 1) / kHugePage * kHugePage : bytes;
    void* memory = huge ? std::aligned_alloc(kHugePage, rounded) : std::malloc(rounded > 0 ? rounded : 1);
    if (!memory)
        throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (huge)
        madvise(memory, rounded, MADV_HUGEPAGE);
#endif
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
