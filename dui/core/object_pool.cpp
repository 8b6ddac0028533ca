// Size-class pools: one free list per block size in a process-wide ordered map.
#include "dui/core/object_pool.h"

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>

#include "dui/core/ui_thread.h"

namespace dui {
namespace {

// Under AddressSanitizer every block comes from and returns to the heap, so
// the sanitizer sees each use after free that the pools would otherwise hide.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapPerBlock = true;
#else
constexpr bool kHeapPerBlock = false;
#endif

constexpr std::size_t kHeader = 8;
constexpr unsigned char kPoison = 0xDD;

struct FreeBlock {
  FreeBlock* next;
};

struct Pool {
  std::size_t blockSize = 0;
  FreeBlock* free = nullptr;
};

struct PoolState {
  std::map<std::size_t, Pool> pools;
  PoolStats stats;
  bool poisoning = false;
};

PoolState& state() {
  static PoolState* s = new PoolState;  // never destroyed: objects may die after main
  return *s;
}

std::size_t roundBlock(std::size_t size) {
  if (size < sizeof(FreeBlock)) size = sizeof(FreeBlock);
  return (size + 7) & ~static_cast<std::size_t>(7);
}

void* takeBlock(std::size_t blockSize) {
  assert(onUiThread() && "UI objects are made on the UI thread only: hand the work to it (postEvent)");
  PoolState& s = state();
  if (kHeapPerBlock) {
    void* p = std::malloc(blockSize);
    if (!p) throw std::bad_alloc();
    ++s.stats.allocations;
    return p;
  }
  Pool& pool = s.pools[blockSize];
  if (!pool.free) {
    pool.blockSize = blockSize;
    auto* chunk = static_cast<unsigned char*>(std::malloc(blockSize * kPoolChunkBlocks));
    if (!chunk) throw std::bad_alloc();
    ++s.stats.chunkAllocations;
    for (std::size_t i = kPoolChunkBlocks; i-- > 0;) {
      auto* block = reinterpret_cast<FreeBlock*>(chunk + i * blockSize);
      block->next = pool.free;
      pool.free = block;
    }
  }
  FreeBlock* block = pool.free;
  pool.free = block->next;
  ++s.stats.allocations;
  return block;
}

void giveBlock(void* p, std::size_t blockSize) noexcept {
  assert(onUiThread() && "UI objects are destroyed on the UI thread only: hand the work to it (postEvent)");
  PoolState& s = state();
  if (kHeapPerBlock) {
    std::free(p);
    ++s.stats.frees;
    return;
  }
  Pool& pool = s.pools[blockSize];  // exists: the block came from it
  if (s.poisoning) std::memset(p, kPoison, blockSize);
  auto* block = static_cast<FreeBlock*>(p);
  block->next = pool.free;
  pool.free = block;
  ++s.stats.frees;
}

}  // namespace

void* poolAllocateObject(std::size_t size) {
  unsigned char* block;
  if (size <= kPoolMaxRequest) {
    block = static_cast<unsigned char*>(takeBlock(roundBlock(size + kHeader)));
  } else {
    block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (!block) throw std::bad_alloc();
    ++state().stats.allocations;
  }
  std::memcpy(block, &size, sizeof(size));
  return block + kHeader;
}

void poolFreeObject(void* object) noexcept {
  if (!object) return;
  unsigned char* block = static_cast<unsigned char*>(object) - kHeader;
  std::size_t size;
  std::memcpy(&size, block, sizeof(size));
  if (size <= kPoolMaxRequest) {
    giveBlock(block, roundBlock(size + kHeader));
  } else {
    if (state().poisoning) std::memset(block, kPoison, size + kHeader);
    std::free(block);
    ++state().stats.frees;
  }
}

void* poolAllocateEntry(std::size_t size) { return takeBlock(roundBlock(size)); }

void poolFreeEntry(void* entry, std::size_t size) noexcept {
  if (entry) giveBlock(entry, roundBlock(size));
}

void setPoolPoisoning(bool on) { state().poisoning = on; }

PoolStats poolStats() { return state().stats; }

}  // namespace dui
