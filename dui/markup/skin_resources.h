// SkinResources: the skin package ("style.lz") and what is served from it by
// name: the fonts of "font.xml", decoded images and (built by the style
// loader) styles. Fonts are created when the package opens; images and styles
// on first use. Everything lives until clear(). UI thread only.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "dui/core/skin_image.h"
#include "dui/core/skin_source.h"
#include "dui/core/style.h"
#include "dui/markup/whole_package.h"
#include "package/heap_buffer.h"
#include "support/win32_handles.h"

namespace dui {

class SkinResources final : public SkinSource {
 public:
  SkinResources() = default;
  ~SkinResources() { clear(); }
  SkinResources(const SkinResources&) = delete;
  SkinResources& operator=(const SkinResources&) = delete;

  // Clears everything, then reads the package through the current file system
  // and creates the fonts of its "font.xml". False when the package cannot be
  // read. A package without a usable "font.xml" opens without fonts (noted in
  // the debugger output).
  bool open(const std::wstring& packageName);
  // Releases the package, every image, style and font, and empties the maps.
  void clear();
  bool isOpen() const { return package_.isOpen(); }

  // The font of that name, or null when "font.xml" did not define it (the name
  // is then remembered as having none). Selecting null changes nothing.
  HFONT getFont(const std::wstring& name) override;

  // The image of that name, decoded on first use and cached, also when decoding
  // failed (it then draws nothing). Null when the package has no such entry; a
  // missing entry is not remembered, so a later call reads the package again.
  SkinImage* getImage(const std::wstring& name) override;
  // How many images have been decoded so far (what start-up paid for).
  std::size_t decodedImageCount() const { return images_.size(); }

  // ----- Style cache --------------------------------------------------------
  // The style built from the package entry of that name, built on first use
  // and cached, also when building fails (as none); a missing entry returns
  // none and is not remembered (a later call reads the package again).
  // Building: the root's first child element (Config) names the type in its
  // first attribute; the factory makes the style (a plain Style for an
  // unknown type); the attributes of Config's first child element (Prop) are
  // applied through the setter table. Every control naming the file shares
  // the one style object.
  Style* getStyle(const std::wstring& name) override;
  // ---------------------------------------------------------------------------

  // A package entry as a new caller-owned buffer, or null (for the style
  // loader and for callers that read other files of the skin).
  kavri::HeapBuffer extract(const std::wstring& name, size_t* size) const;

 private:
  void loadFonts();

  WholePackage package_;
  std::map<std::wstring, kavri::UniqueHfont> fonts_;           // empty handle: defined as none
  std::map<std::wstring, std::unique_ptr<SkinImage>> images_;
  std::map<std::wstring, std::unique_ptr<Style>> styles_;     // empty pointer: failed to build
};

// The process's skin resources (created empty on first use, opened by the
// start-up and cleared by shutdownMarkup).
SkinResources& skinResources();

}  // namespace dui
