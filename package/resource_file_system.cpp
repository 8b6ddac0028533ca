// Loads registered names from the module's "_KavriResc" resources.
#include "resource_file_system.h"

#include <cstdlib>
#include <cstring>

#include "mapped_file_source.h"

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
  wchar_t path[MAX_PATH + 1];
  const DWORD length = ::GetModuleFileNameW(module_, path, MAX_PATH + 1);
  if (bytes >= kMappedAtLeast && length > 0 && length <= MAX_PATH && fileOffsetInModule(module_, data, bytes, offset)) {
    std::unique_ptr<MappedFileSource> mapped = MappedFileSource::open(path, offset, bytes);
    // The file must still hold what was loaded: compare the first and last bytes.
    if (mapped) {
      const size_t probe = bytes < 4096 ? bytes : 4096;
      PackageView head = mapped->view(0, probe);
      PackageView tail = mapped->view(bytes - probe, probe);
      const auto* image = static_cast<const uint8_t*>(data);
      if (head && tail && std::memcmp(head.data(), image, probe) == 0 &&
          std::memcmp(tail.data(), image + bytes - probe, probe) == 0)
        return mapped;
    }
  }
  return std::make_unique<MemoryPackageSource>(data, bytes);   // the image stays loaded for the process
}

}  // namespace kavri
