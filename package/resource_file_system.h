// ResourceFileSystem: files stored as custom resources of type "_KavriResc" in
// a module (the executable itself), addressed by registered name -> id.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "file_system.h"

namespace kavri {

inline constexpr wchar_t kResourceType[] = L"_KavriResc";

class ResourceFileSystem final : public FileSystem {
 public:
  explicit ResourceFileSystem(HMODULE module) : module_(module) {}

  // Enters or replaces the resource id for a file name (exact comparison).
  void registerName(const std::wstring& name, uint32_t id) { names_[name] = id; }
  void clearNames() { names_.clear(); }

  HeapBuffer loadFile(const std::wstring& name, size_t* size) override;
  void freeFile(void* buffer) override;
  // The resource read in place: through views of the executable file when the
  // resource is backed by it, so only the part being read is in memory, else
  // straight from the loaded image. Never a copy of the whole resource.
  std::unique_ptr<PackageSource> openPackage(const std::wstring& name) override;

 private:
  // Smaller resources are read from the loaded image: mapping costs more than it saves.
  static constexpr DWORD kMappedAtLeast = 256u << 10;
  bool locate(const std::wstring& name, const void*& data, DWORD& bytes) const;

  std::map<std::wstring, uint32_t> names_;
  HMODULE module_;
};

}  // namespace kavri
