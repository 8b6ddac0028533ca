// Skin package opening and closing; the layout package (not yet read).
#include "markup_startup.h"

#include "dui/core/msimg.h"
#include "dui/markup/skin_resources.h"

namespace dui {

bool openSkinPackage(const wchar_t* name) {
  // Transparent skin images need AlphaBlend; loading is idempotent, so the
  // framework start-up may have done it already.
  loadMsimg32();
  return name && skinResources().open(name);
}

void closeSkinPackage() { skinResources().clear(); }

bool openLayoutPackage(const wchar_t*) { return true; }

}  // namespace dui
