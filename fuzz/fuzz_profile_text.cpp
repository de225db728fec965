// Fuzz target: profile text read and applied to an engine, written back and read again.
#include "ProfileText.h"
#include "TJPEGImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TJPEGImage engine;
    try {
        engine.LoadProfileFromText(std::string(reinterpret_cast<const char*>(data), size), "fuzz");
    } catch (const std::exception&) {
        return 0;
    }
    const vantorel::TJPEGProfile p = engine.GetProfile();
    if (p.SelDataCount > 8191)
        std::abort(); // the selection stream is bounded
    // What the engine holds writes back to text that reads back to the same profile.
    const std::string text = vantorel::WriteProfileText(p);
    TJPEGImage again;
    again.LoadProfileFromText(text, "fuzz");
    if (const std::string back = vantorel::WriteProfileText(again.GetProfile()); back != text) {
        std::fprintf(stderr, "written:\n%s\nread back and written again:\n%s\n", text.c_str(), back.c_str());
        std::abort();
    }
    return 0;
}
