// Layout package and the building of control trees from layout files.
#include "dui/markup/layout_loader.h"

#include "dui/controls/combo_box.h"
#include "dui/controls/list_box.h"
#include "dui/controls/page_controls.h"
#include "dui/core/panel.h"
#include "dui/markup/element_factory.h"
#include "dui/markup/setter_table.h"
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

std::unique_ptr<Control> buildLayout(const void* bytes, std::size_t size, const std::wstring& fileName,
                                     std::wstring* error) {
  // Malformed, too deep and element-less text is refused and reported here.
  std::unique_ptr<XmlDocument> document = XmlDocument::parse(bytes, size, fileName, error);
  if (!document) return nullptr;
  std::unique_ptr<Control> root = buildControl(document->root());
  if (!root)
    reportLayoutError(L"layout \"" + fileName + L"\": unknown root element <" + document->root()->name() + L">",
                      error);
  return root;
}

std::unique_ptr<Control> buildControl(const XmlNode* element) {
  if (!element) return nullptr;
  std::unique_ptr<Control> control = elementFactory().createControl(element->name());
  if (!control) return nullptr;   // not in the element table: the subtree is skipped
  setterTable().apply(*control, element);

  const XmlNode* child = firstChildElement(element);
  if (!child) return control;
  if (TabItem* tab = dynamic_cast<TabItem*>(control.get())) {
    tab->setContent(buildControl(child).release());   // the first child only
    return control;
  }
  // The children of a list or a combo box are its items, in document order.
  ListBox* list = dynamic_cast<ListBox*>(control.get());
  ComboBox* combo = dynamic_cast<ComboBox*>(control.get());
  if (list || combo) {
    for (; child; child = nextSiblingElement(child)) {
      if (std::unique_ptr<Control> item = buildControl(child)) {
        if (list ? list->addItem(item.get()) : combo->addItem(item.get())) item.release();
      }
    }
    return control;
  }
  Panel* panel = control->asPanel();
  if (!panel) {
    kavri::debugLog(std::wstring(L"layout: children of <") + element->name() + L"> are skipped (it holds none)");
    return control;
  }
  for (; child; child = nextSiblingElement(child)) {
    if (std::unique_ptr<Control> built = buildControl(child)) {
      if (panel->addChild(built.get())) built.release();   // the panel owns it now
    }
  }
  return control;
}

}  // namespace dui
