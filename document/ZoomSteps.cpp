// The zoom rules of the image windows.
#include "ZoomSteps.h"

#include "Rounding.h"

#include <algorithm>

namespace vantorel {

int ZoomInStep(int z) {
    z = std::max(1, z);
    if (z < 100) {
        const int n = RoundEven(100.0 / z);
        return RoundEven(100.0 / std::max(1, n - 1));
    }
    return RoundEven(z / 100.0) * 100 + 100;
}

int ZoomOutStep(int z) {
    z = std::max(1, z);
    if (z <= 100) {
        const int n = RoundEven(100.0 / z);
        return RoundEven(100.0 / (n + 1));
    }
    return std::max(1, RoundEven(z / 100.0) - 1) * 100;
}

int SliderToZoom(int p) {
    if (p >= 50)
        return 100 - RoundEven((p - 50) * 1.8);
    if (p < 20)
        return 300 - 5 * p;
    return 200 - RoundEven((p - 20) * 3.33);
}

int ZoomToSlider(int z) {
    z = std::clamp(z, kMinZoom, kMaxZoom);
    if (z >= 200)
        return 20 - RoundEven((z - 200) * 0.2);
    if (z < 100)
        return RoundEven(105.5 - z / 1.8);
    return 50 - RoundEven((z - 100) * 0.3);
}

} // namespace vantorel
