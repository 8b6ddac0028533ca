// Start and stop of the markup side: tables, skin package, layout package.
#include "dui/markup/markup_startup.h"

#include "dui/core/control.h"
#include "dui/core/msimg.h"
#include "dui/core/shadowed_window.h"
#include "dui/core/style.h"
#include "dui/markup/element_factory.h"
#include "dui/markup/layout_loader.h"
#include "dui/markup/setter_table.h"
#include "dui/markup/skin_resources.h"

namespace dui {

namespace {
// Windows built by name ("proxywindow.xml", a script window's layout) get
// their root control tree from the layout package.
Control* loadRootFromPackage(const std::wstring& layoutName) { return layoutLoader().load(layoutName).release(); }
}  // namespace

void startMarkup() {
  setterTable();
  elementFactory();
  setStyleSource(&skinResources());
  setLayoutRootLoader(&loadRootFromPackage);
}

void shutdownMarkup() {
  closeLayoutPackage();
  closeSkinPackage();
  setStyleSource(nullptr);
  setLayoutRootLoader(nullptr);
}

bool openSkinPackage(const wchar_t* name) {
  // Transparent skin images need AlphaBlend; loading is idempotent, so the
  // framework start-up may have done it already.
  loadMsimg32();
  setStyleSource(&skinResources());
  return name && skinResources().open(name);
}

void closeSkinPackage() { skinResources().clear(); }

bool openLayoutPackage(const wchar_t* name) { return name && layoutLoader().open(name); }

void closeLayoutPackage() { layoutLoader().close(); }

}  // namespace dui
