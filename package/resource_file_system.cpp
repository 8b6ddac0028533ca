// Loads registered names from the module's "_KavriResc" resources.
#include "resource_file_system.h"

#include <cstdlib>

#include "loaded_image_source.h"
#include "mapped_file_source.h"
#include "module_file.h"

namespace kavri {

bool ResourceFileSystem::locate(const std::wstring& name, const void*& data, DWORD& bytes) const {
  auto it = names_.find(name);
  if (it == names_.end()) return false;
  HRSRC info = FindResourceW(module_, MAKEINTRESOURCEW(it->second), kResourceType);
  if (!info) return false;
  bytes = SizeofResource(module_, info);
  HGLOBAL handle = LoadResource(module_, info);   // resource handles need no release
  data = handle ? LockResource(handle) : nullptr;
  return data || !bytes;
}

HeapBuffer ResourceFileSystem::loadFile(const std::wstring& name, size_t* size) {
  const void* data = nullptr;
  DWORD bytes = 0;
  if (!locate(name, data, bytes)) return nullptr;
  HeapBuffer out = copyWithTerminator(data, bytes);
  if (out && size) *size = bytes;
  return out;
}

void ResourceFileSystem::freeFile(void* buffer) { std::free(buffer); }

std::unique_ptr<PackageSource> ResourceFileSystem::openPackage(const std::wstring& name) {
  const void* data = nullptr;
  DWORD bytes = 0;
  if (!locate(name, data, bytes)) return nullptr;
  uint64_t offset = 0;
  const bool held = setupFile_ && setupFile_->pinned();
  if (bytes >= kMappedAtLeast && held && fileOffsetInModule(module_, data, bytes, offset)) {
    if (std::unique_ptr<MappedFileSource> mapped = MappedFileSource::open(setupFile_->handle(), offset, bytes, data))
      return mapped;
  }
  return std::make_unique<LoadedImageSource>(data, bytes);   // the image stays loaded for the process
}

}  // namespace kavri
