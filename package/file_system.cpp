// The current-file-system slot and the in-memory file system.
#include "file_system.h"

#include <cstdlib>
#include <cstring>

namespace kavri {
namespace {
FileSystem* g_current = nullptr;
}

FileSystem* currentFileSystem() { return g_current; }
void setCurrentFileSystem(FileSystem* fs) { g_current = fs; }

HeapBuffer copyWithTerminator(const void* data, size_t size) {
  if (size > SIZE_MAX - 4) return nullptr;
  HeapBuffer out(static_cast<uint8_t*>(std::malloc(size + 4)));
  if (!out) return nullptr;
  if (size) std::memcpy(out.get(), data, size);
  std::memset(out.get() + size, 0, 4);
  return out;
}

std::unique_ptr<PackageSource> FileSystem::openPackage(const std::wstring& name) {
  size_t size = 0;
  HeapBuffer image = loadFile(name, &size);
  if (!image) return nullptr;
  return std::make_unique<OwnedPackageSource>(std::move(image), size);
}

HeapBuffer MemoryFileSystem::loadFile(const std::wstring& name, size_t* size) {
  auto it = files_.find(name);
  if (it == files_.end()) return nullptr;
  HeapBuffer out = copyWithTerminator(it->second.data(), it->second.size());
  if (out && size) *size = it->second.size();
  return out;
}

void MemoryFileSystem::freeFile(void* buffer) { std::free(buffer); }

}  // namespace kavri
