// The markup side of the framework's start and stop: the setter table, the
// element factory, the skin package (SkinResources) and the layout package
// (LayoutLoader). The framework context owns them through these calls:
//
//   startFramework():    startMarkup()            tables filled, styles reachable
//   program start-up:    openSkinPackage(L"style.lz"), openLayoutPackage(L"frame.lz")
//   window creation:     layoutLoader().load(L"main.xml")
//   shutdownFramework(): shutdownMarkup()         layout package closed, skin cleared
//
// The instances themselves: setterTable(), elementFactory() (read-only once
// filled), layoutLoader(), skinResources().
#pragma once

namespace dui {

// Fills the setter table and the element factory and makes SkinResources the
// style source of Control::draw. Idempotent.
void startMarkup();
// Closes the layout package, then clears the skin resources (every style,
// image and font) and leaves Control::draw without a style source.
void shutdownMarkup();

// Opens the skin package (styles, images, "font.xml") in SkinResources and
// creates its fonts; also makes sure AlphaBlend is looked up and that
// controls find their styles there. False when the package cannot be read.
bool openSkinPackage(const wchar_t* name);
// Releases the skin package and everything made from it.
void closeSkinPackage();
// Opens the layout package in the LayoutLoader, closing any open one first.
// False when the package cannot be read.
bool openLayoutPackage(const wchar_t* name);
// Releases the layout package.
void closeLayoutPackage();

}  // namespace dui
