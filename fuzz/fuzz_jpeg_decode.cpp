// Fuzz target: a JPEG stream loaded and decoded at full size and at one eighth.
#include "TJPEGImage.h"

#include <cstddef>
#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (int scale : {0, 3}) {
        TJPEGImage engine;
        engine.Settings().DecodeScale = scale;
        engine.Settings().DoAutoRotate = true;
        try {
            engine.LoadFromBytes(std::vector<std::uint8_t>(data, data + size));
            engine.GetBitmap();
        } catch (const std::exception&) {
            // Refused input is the expected outcome for most inputs.
        }
    }
    return 0;
}
