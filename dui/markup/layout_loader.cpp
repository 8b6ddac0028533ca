// Layout package and the building of control trees from layout files.
#include "dui/markup/layout_loader.h"

#include "dui/core/control.h"
#include "package/file_system.h"
#include "support/debug_log.h"

namespace dui {

bool LayoutLoader::open(const std::wstring& packageName) {
  close();
  kavri::FileSystem* fileSystem = kavri::currentFileSystem();
  if (!fileSystem) {
    kavri::debugLog(L"layout package: no file system to read \"" + packageName + L"\" from");
    return false;
  }
  size_t size = 0;
  kavri::HeapBuffer bytes = fileSystem->loadFile(packageName, &size);
  if (!bytes) {
    kavri::debugLog(L"layout package \"" + packageName + L"\" not found");
    return false;
  }
  packageBytes_ = std::move(bytes);
  archive_ = std::make_unique<kavri::PackageArchive>(packageBytes_.get(), size);
  if (archive_->entryCount() == 0) kavri::debugLog(L"layout package \"" + packageName + L"\" has no entries");
  return true;
}

void LayoutLoader::close() {
  archive_.reset();   // the reader refers to the bytes: it goes first
  packageBytes_.reset();
}

namespace {

void reportLayoutError(const std::wstring& text, std::wstring* error) {
  kavri::debugLog(text);
  if (error) *error = text;
}

}  // namespace

std::unique_ptr<Control> LayoutLoader::load(const std::wstring& fileName, std::wstring* error) const {
  if (!archive_) {
    reportLayoutError(L"layout \"" + fileName + L"\": no layout package is open", error);
    return nullptr;
  }
  size_t size = 0;
  kavri::HeapBuffer bytes = archive_->extract(fileName.c_str(), &size);
  if (!bytes) {
    reportLayoutError(L"layout \"" + fileName + L"\" not found in the layout package", error);
    return nullptr;
  }
  return buildLayout(bytes.get(), size, fileName, error);
}

LayoutLoader& layoutLoader() {
  static LayoutLoader loader;
  return loader;
}

}  // namespace dui
