// ResourceFileSystem: files stored as custom resources of type "_KavriResc" in
// a module (the executable itself), addressed by registered name -> id.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "file_system.h"

namespace kavri {

inline constexpr wchar_t kResourceType[] = L"_KavriResc";

class ModuleFile;

class ResourceFileSystem final : public FileSystem {
 public:
  // `setupFile`, when given, holds the file `module` was loaded from
  // (ModuleFile::pin) and must outlive the file system; packages are then
  // read through views of that file. Without it, or when it is not held,
  // they are read from the loaded image.
  explicit ResourceFileSystem(HMODULE module, const ModuleFile* setupFile = nullptr)
      : module_(module), setupFile_(setupFile) {}

  // Enters or replaces the resource id for a file name (exact comparison).
  void registerName(const std::wstring& name, uint32_t id) { names_[name] = id; }
  void clearNames() { names_.clear(); }

  HeapBuffer loadFile(const std::wstring& name, size_t* size) override;
  void freeFile(void* buffer) override;
  // The resource read in place, never copied whole: through views of the
  // held setup file when there is one, so only the part being read is in
  // memory, else from the loaded image, whose pages leave the working set as
  // the reader moves on. Never through the file's path: what is read is what
  // was loaded. The directory is read from the loaded image either way.
  std::unique_ptr<PackageSource> openPackage(const std::wstring& name) override;

 private:
  // Smaller resources are read from the loaded image: mapping costs more than it saves.
  static constexpr DWORD kMappedAtLeast = 256u << 10;
  bool locate(const std::wstring& name, const void*& data, DWORD& bytes) const;

  std::map<std::wstring, uint32_t> names_;
  HMODULE module_;
  const ModuleFile* setupFile_;
};

}  // namespace kavri
