// The markup side of the UI's start and stop: the setter table, the element
// factory, the skin package (SkinResources) and the layout package
// (LayoutLoader), and plugging them into dui/core (dui/core/core_plugs.h).
// The program's start-up runs them around the framework:
//
//   startFramework();  startMarkup();        tables filled, skin and layouts plugged in
//   openSkinPackage(L"style.lz"), openLayoutPackage(L"frame.lz")
//   window creation:   layoutLoader().load(L"main.xml") through the plug
//   shutdownMarkup();  shutdownFramework();  layout package closed, skin cleared
//
// The instances themselves: setterTable(), elementFactory() (read-only once
// filled), layoutLoader(), skinResources().
#pragma once

namespace dui {

// Fills the setter table and the element factory and plugs SkinResources in
// as the skin source and the LayoutLoader as the layout root loader.
// Idempotent.
void startMarkup();
// Closes the layout package, then clears the skin resources (every style,
// image and font) and unplugs both from dui/core.
void shutdownMarkup();

// Opens the skin package (styles, images, "font.xml") in SkinResources and
// creates its fonts; also makes sure AlphaBlend is looked up and that
// SkinResources is the skin source. False when the package cannot be read.
bool openSkinPackage(const wchar_t* name);
// Releases the skin package and everything made from it.
void closeSkinPackage();
// Opens the layout package in the LayoutLoader, closing any open one first.
// False when the package cannot be read.
bool openLayoutPackage(const wchar_t* name);
// Releases the layout package.
void closeLayoutPackage();

}  // namespace dui
