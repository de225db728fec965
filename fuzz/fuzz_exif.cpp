// Fuzz target: an APP1 payload parsed, updated as an encode does, and parsed again.
#include "ExifGlue.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// A JPEG file (the seeds are photographs) gives its first EXIF APP1 payload; anything else is taken
// as a payload itself.
std::string Payload(const std::uint8_t* data, std::size_t size) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return std::string(reinterpret_cast<const char*>(data), size);
    std::size_t pos = 2;
    while (pos + 4 <= size && data[pos] == 0xFF && data[pos + 1] != 0xDA) {
        const std::size_t length = static_cast<std::size_t>(data[pos + 2]) << 8 | data[pos + 3];
        if (length < 2 || pos + 2 + length > size)
            break;
        if (data[pos + 1] == 0xE1 && length >= 8 && std::memcmp(data + pos + 4, "Exif", 4) == 0)
            return std::string(reinterpret_cast<const char*>(data + pos + 4), length - 2);
        pos += 2 + length;
    }
    return {};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string app1 = Payload(data, size);
    if (!vantorel::ReadExifFields(app1))
        return 0;
    vantorel::ListExifTags(app1);
    vantorel::ExifUpdate update;
    update.Width = 640;
    update.Height = 480;
    update.Orientation = 6;
    const auto updated = vantorel::UpdateExif(app1, update);
    if (!updated)
        return 0;
    if (updated->size() > 65533)
        std::abort(); // never more than one segment holds
    if (!vantorel::ReadExifFields(*updated))
        std::abort(); // what we wrote must read back
    return 0;
}
