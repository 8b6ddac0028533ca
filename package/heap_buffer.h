// A byte buffer on the general-purpose heap (malloc/free), as handed out by
// FileSystem::loadFile and PackageArchive::extract. The owner releases it with
// free(); HeapBuffer does that on scope exit.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace kavri {

struct FreeDeleter {
  void operator()(void* p) const noexcept { std::free(p); }
};

using HeapBuffer = std::unique_ptr<uint8_t[], FreeDeleter>;

}  // namespace kavri
