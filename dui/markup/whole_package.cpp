// Reading a package whole through the current file system.
#include "dui/markup/whole_package.h"

#include <utility>

#include "package/file_system.h"
#include "support/debug_log.h"

namespace dui {

bool WholePackage::open(const std::wstring& packageName, const wchar_t* kind) {
  close();
  const std::wstring what = std::wstring(kind) + L" package";
  kavri::FileSystem* fileSystem = kavri::currentFileSystem();
  if (!fileSystem) {
    kavri::debugLog(what + L": no file system to read \"" + packageName + L"\" from");
    return false;
  }
  size_t size = 0;
  kavri::HeapBuffer bytes = fileSystem->loadFile(packageName, &size);
  if (!bytes) {
    kavri::debugLog(what + L" \"" + packageName + L"\" not found");
    return false;
  }
  bytes_ = std::move(bytes);
  archive_ = std::make_unique<kavri::PackageArchive>(bytes_.get(), size);
  if (archive_->entryCount() == 0) kavri::debugLog(what + L" \"" + packageName + L"\" has no entries");
  return true;
}

void WholePackage::close() {
  archive_.reset();   // the reader refers to the bytes: it goes first
  bytes_.reset();
}

kavri::HeapBuffer WholePackage::extract(const std::wstring& name, size_t* size) const {
  if (!archive_) return nullptr;
  return archive_->extract(name.c_str(), size);
}

}  // namespace dui
