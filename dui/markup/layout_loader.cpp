// Layout package and the building of control trees from layout files.
#include "dui/markup/layout_loader.h"

#include "dui/core/control.h"
#include "support/debug_log.h"

namespace dui {

bool LayoutLoader::open(const std::wstring& packageName) { return package_.open(packageName, L"layout"); }

void LayoutLoader::close() { package_.close(); }

namespace {

void reportLayoutError(const std::wstring& text, std::wstring* error) {
  kavri::debugLog(text);
  if (error) *error = text;
}

}  // namespace

std::unique_ptr<Control> LayoutLoader::load(const std::wstring& fileName, std::wstring* error) const {
  if (!package_.isOpen()) {
    reportLayoutError(L"layout \"" + fileName + L"\": no layout package is open", error);
    return nullptr;
  }
  size_t size = 0;
  kavri::HeapBuffer bytes = package_.extract(fileName, &size);
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
