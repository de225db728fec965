// The shared holder of one JPEG byte stream.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// Immutable once published: an engine that changes its stream creates a new TJPEGData instead of
// writing into one that other engines, documents or the clipboard may share.
class TJPEGData {
public:
    std::vector<std::uint8_t> Stream; // empty when there is none
    int Width = 0;
    int Height = 0;
    bool Grayscale = false;
};

using TJPEGDataPtr = std::shared_ptr<const TJPEGData>;
