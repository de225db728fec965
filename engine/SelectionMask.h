// Selective compression: the user's units drawn into a 1-bit selection bitmap, and the bitmap
// turned into one mask byte per 8x8 block of every component.
#pragma once

#include "JpegCodec.h"
#include "SelectionUnit.h"

#include <QImage>

#include <cstdint>
#include <vector>

namespace vantorel {

// A 1-bit bitmap (palette 0 black, 1 white; black = selected) of the image size, each side rounded
// up to a multiple of 8 so that one byte of a row covers one block column. Null when memory is short.
QImage MakeSelectionBitmap(int imageWidth, int imageHeight);

// Fills the bitmap white and draws every included unit black: rectangles and ellipses in their box
// (right and bottom edges exclusive, corners in any order), polygons filled even-odd with their
// outline. Coordinates are millionths of imageWidth and imageHeight; any values are safe.
void DrawUnits(const std::vector<SelectionUnit>& units, int imageWidth, int imageHeight, QImage& bitmap);

// The block masks (1 = selected) for each component of the layout: the primary component (the
// larger block grid) counts the selected pixels of its blocks against round(threshold x 0.64); the
// others take a block as selected only when every primary block it covers is. Empty when the bitmap
// does not match the primary component's block grid.
std::vector<std::vector<std::uint8_t>> BuildBlockMasks(const std::vector<ComponentLayout>& layout,
                                                       const QImage& selection, int threshold);

} // namespace vantorel
