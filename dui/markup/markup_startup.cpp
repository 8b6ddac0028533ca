// Skin and layout packages (not yet read).
#include "markup_startup.h"

namespace dui {

bool openSkinPackage(const wchar_t*) { return true; }
bool openLayoutPackage(const wchar_t*) { return true; }

}  // namespace dui
