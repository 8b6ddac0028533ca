// Size-class pools for the Object family and attribute entries. Pools never
// shrink: freed blocks return to their free list, never to the heap, so
// building and rebuilding pages does not fragment the heap. UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dui {

// Largest request served from a pool; larger ones go to the general heap.
constexpr std::size_t kPoolMaxRequest = 1024;
// Blocks a pool takes from the heap whenever its free list is empty.
constexpr std::size_t kPoolChunkBlocks = 100;

// Object allocation: the block starts with a header holding the request size
// (8 bytes rather than 4, so the object behind it keeps 8-byte alignment).
void* poolAllocateObject(std::size_t size);
void poolFreeObject(void* object) noexcept;

// Fixed-size entries (attribute entries): no header, one pool per size.
void* poolAllocateEntry(std::size_t size);
void poolFreeEntry(void* entry, std::size_t size) noexcept;

// Whether freed blocks are handed out again (false in AddressSanitizer
// builds, where each block is its own heap allocation).
constexpr bool kPoolReusesBlocks =
#if defined(__SANITIZE_ADDRESS__)
    false;
#else
    true;
#endif

// When on, freed blocks are overwritten with 0xDD (the free-list link
// excepted), so a use after free reads garbage and faults early. Tests turn it
// on; it costs one memset per free.
void setPoolPoisoning(bool on);

struct PoolStats {
  std::uint64_t allocations = 0;     // blocks handed out (pools and large requests)
  std::uint64_t frees = 0;           // blocks given back
  std::uint64_t chunkAllocations = 0;  // heap chunks taken by pools, never returned
};
PoolStats poolStats();

}  // namespace dui
