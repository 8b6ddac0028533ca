// Opening the skin and layout packages at start-up.
#pragma once

namespace dui {

// Opens the skin package (styles, images, "font.xml") in SkinResources.
bool openSkinPackage(const wchar_t* name);
// Opens the layout package in the LayoutLoader, closing any open one first.
bool openLayoutPackage(const wchar_t* name);

}  // namespace dui
