// The quantised DCT coefficients of one encode, kept between encodes of the same layout.
#pragma once

#include "JpegCodec.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vantorel {

// Owned by one engine and filled by its encode (several threads write distinct block rows).
// Keeping it between encodes spares the allocation and first-touch cost of tens of megabytes
// when the same picture is encoded again, as live recompression and target searches do.
class CoefficientStore {
public:
    // Makes room for the layout; memory is reused when the sizes are unchanged. Contents are undefined.
    void Prepare(const std::vector<ComponentLayout>& layout);
    const std::vector<ComponentLayout>& Layout() const { return m_layout; }
    // Row `row` (0..ArrayHeight-1) of component c: ArrayWidth blocks of 64 coefficients, natural order.
    std::int16_t* BlockRow(int component, int row) const {
        return m_planes[static_cast<std::size_t>(component)].get() +
               static_cast<std::size_t>(row) * static_cast<std::size_t>(m_layout[static_cast<std::size_t>(component)].ArrayWidth) * 64;
    }
    // Bytes held.
    std::size_t Size() const;
    void Release();

private:
    struct FreeMemory {
        void operator()(std::int16_t* p) const;
    };
    using Plane = std::unique_ptr<std::int16_t[], FreeMemory>;
    static Plane Allocate(std::size_t count);

    std::vector<ComponentLayout> m_layout;
    std::vector<Plane> m_planes;
    std::vector<std::size_t> m_sizes;
};

} // namespace vantorel
