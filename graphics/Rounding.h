// The rounding of the engine and the pixel routines: to the nearest integer, halves to the even
// neighbour (the default floating-point rounding mode).
#pragma once

#include <cmath>

namespace vantorel {

inline int RoundEven(double x) { return static_cast<int>(std::nearbyint(x)); }

} // namespace vantorel
