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

 private:
  std::map<std::wstring, uint32_t> names_;
  HMODULE module_;
};

}  // namespace kavri
