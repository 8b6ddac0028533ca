// Start and stop of the markup side: tables, skin package, layout package.
#include "dui/markup/markup_startup.h"

#include "dui/controls/accessible_roles.h"
#include "dui/core/control.h"
#include "dui/core/core_plugs.h"
#include "dui/core/msimg.h"
#include "dui/markup/element_factory.h"
#include "dui/markup/layout_loader.h"
#include "dui/markup/setter_table.h"
#include "dui/markup/skin_resources.h"
#include "dui/markup/text_variables.h"

namespace dui {

namespace {
// Windows built by name ("proxywindow.xml", a script window's layout) get
// their root control tree from the layout package.
Control* loadRootFromPackage(const std::wstring& layoutName) { return layoutLoader().load(layoutName).release(); }

void plugSkinSource(SkinSource* source) {
  CorePlugs plugs = corePlugs();
  plugs.skinSource = source;
  replaceCorePlugs(plugs);
}

}  // namespace

void startMarkup() {
  setterTable();
  elementFactory();
  CorePlugs plugs = corePlugs();
  plugs.skinSource = &skinResources();
  plugs.loadLayoutRoot = &loadRootFromPackage;
  replaceCorePlugs(plugs);
  plugAccessibleRoles();  // what screen readers learn of the controls
}

void shutdownMarkup() {
  closeLayoutPackage();
  closeSkinPackage();
  clearTextVariables();
  CorePlugs plugs = corePlugs();
  plugs.skinSource = nullptr;
  plugs.loadLayoutRoot = nullptr;
  replaceCorePlugs(plugs);
  unplugAccessibleRoles();
}

bool openSkinPackage(const wchar_t* name) {
  // Transparent skin images need AlphaBlend; loading is idempotent, so the
  // framework start-up may have done it already.
  loadMsimg32();
  plugSkinSource(&skinResources());
  return name && skinResources().open(name);
}

void closeSkinPackage() { skinResources().clear(); }

bool openLayoutPackage(const wchar_t* name) { return name && layoutLoader().open(name); }

void closeLayoutPackage() { layoutLoader().close(); }

}  // namespace dui
