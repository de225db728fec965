// The millisecond tick the progress reports are throttled by.
#pragma once

#include <chrono>

namespace vantorel {

inline long long MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace vantorel
