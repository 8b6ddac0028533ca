// Allocations at high addresses for this executable: while switched on (by a
// script's test.allocateHigh), every operator new is served from a block
// reserved top-down, so native objects made then (a script timer, say) get
// addresses above 2^32 on 64-bit Windows and their handles need every bit.
// Memory from that block is never given back; everything else goes to malloc.
#include "tests/script/lua_harness/high_addresses.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kBlockSize = 1 << 20;

bool g_high = false;
unsigned char* g_block = nullptr;
std::size_t g_used = 0;

bool inBlock(const void* p) {
  const auto* bytes = static_cast<const unsigned char*>(p);
  return g_block && bytes >= g_block && bytes < g_block + kBlockSize;
}

void* fromBlock(std::size_t size) {
  if (!g_block) {
    g_block = static_cast<unsigned char*>(
        ::VirtualAlloc(nullptr, kBlockSize, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE));
    if (!g_block) return nullptr;
  }
  const std::size_t aligned = (size + 15) & ~std::size_t{15};
  if (aligned > kBlockSize - g_used) return nullptr;
  void* p = g_block + g_used;
  g_used += aligned;
  return p;
}

}  // namespace

void* operator new(std::size_t size) {
  if (g_high) {
    if (void* p = fromBlock(size ? size : 1)) return p;
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept {
  if (!inBlock(p)) std::free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

namespace kavri::test {

bool allocateHigh(bool on) {
  g_high = false;
  if (!on || sizeof(void*) < 8) return false;
  // Only worth switching on when the block really lies above 2^32.
  void* probe = fromBlock(1);
  if (!probe || std::uint64_t{reinterpret_cast<std::uintptr_t>(probe)} >> 32 == 0) return false;
  g_high = true;
  return true;
}

}  // namespace kavri::test
