// Memory for big pixel and coefficient planes: on huge pages, and kept in a process-wide pool when
// freed, because on virtual machines every first touch of a 4 KB page is a costly fault and a
// picture of 12 megapixels touches ten thousand of them.
#pragma once

#include <cstddef>

namespace vantorel {

// A block of at least `bytes` (contents undefined), or null when memory is short. Thread-safe.
void* AllocateLarge(std::size_t bytes);
// Gives a block from AllocateLarge back (to the pool, up to 256 MB in all, else to the system).
// Null does nothing. Thread-safe.
void FreeLarge(void* block);

} // namespace vantorel
