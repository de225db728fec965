// Coefficient storage reused between encodes.
#include "CoefficientStore.h"

#include "LargeBuffer.h"

#include <new>

namespace vantorel {

void CoefficientStore::FreeMemory::operator()(std::int16_t* p) const {
    FreeLarge(p);
}

// Tens of megabytes written once per encode: on huge pages, reused from the pool between encodes.
CoefficientStore::Plane CoefficientStore::Allocate(std::size_t count) {
    void* memory = AllocateLarge(count * sizeof(std::int16_t));
    if (!memory)
        throw std::bad_alloc();
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
