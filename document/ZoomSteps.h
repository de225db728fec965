// The zoom rules of the image windows: the steps of Zoom In and Zoom Out, and the zoom slider's
// scale (0 = 300 %, 20 = 200 %, 50 = 100 %, 100 = 10 %).
#pragma once

namespace vantorel {

inline constexpr int kMinZoom = 10;
inline constexpr int kMaxZoom = 300;

// The next zoom up or down from z percent (1..): 25 → 33 → 50 → 100 → 200 → 300 and back. The image
// window then limits the result to 10..300.
int ZoomInStep(int z);
int ZoomOutStep(int z);

// Slider position (0..100) to zoom percent, and zoom percent (limited to 10..300) to position.
int SliderToZoom(int position);
int ZoomToSlider(int zoom);

} // namespace vantorel
