// Opening the skin and layout packages at start-up, closing them at shutdown.
#pragma once

namespace dui {

// Opens the skin package (styles, images, "font.xml") in SkinResources and
// creates its fonts; also makes sure AlphaBlend is looked up. False when the
// package cannot be read.
bool openSkinPackage(const wchar_t* name);
// Releases the skin package and everything made from it (framework shutdown).
void closeSkinPackage();
// Opens the layout package in the LayoutLoader, closing any open one first.
bool openLayoutPackage(const wchar_t* name);

}  // namespace dui
