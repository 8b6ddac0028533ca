// Loads registered names from the module's "_KavriResc" resources.
#include "resource_file_system.h"

#include <cstdlib>

namespace kavri {

HeapBuffer ResourceFileSystem::loadFile(const std::wstring& name, size_t* size) {
  auto it = names_.find(name);
  if (it == names_.end()) return nullptr;
  HRSRC info = FindResourceW(module_, MAKEINTRESOURCEW(it->second), kResourceType);
  if (!info) return nullptr;
  const DWORD bytes = SizeofResource(module_, info);
  HGLOBAL handle = LoadResource(module_, info);   // resource handles need no release
  const void* data = handle ? LockResource(handle) : nullptr;
  if (!data && bytes) return nullptr;
  HeapBuffer out = copyWithTerminator(data, bytes);
  if (out && size) *size = bytes;
  return out;
}

void ResourceFileSystem::freeFile(void* buffer) { std::free(buffer); }

}  // namespace kavri
