// Coefficient storage reused between encodes.
#include "CoefficientStore.h"

namespace vantorel {

void CoefficientStore::Prepare(const std::vector<ComponentLayout>& layout) {
    m_planes.resize(layout.size());
    m_sizes.resize(layout.size(), 0);
    for (std::size_t c = 0; c < layout.size(); ++c) {
        const std::size_t size =
            static_cast<std::size_t>(layout[c].ArrayWidth) * static_cast<std::size_t>(layout[c].ArrayHeight) * 64;
        if (size != m_sizes[c] || !m_planes[c]) {
            m_planes[c].reset(); // free first, so that old and new never coexist
            m_planes[c] = std::make_unique_for_overwrite<std::int16_t[]>(size);
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
