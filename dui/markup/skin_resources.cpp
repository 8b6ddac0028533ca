// The skin package with its fonts, images and styles by name.
#include "skin_resources.h"

#include <utility>

#include "dui/core/dpi_scale.h"
#include "dui/markup/font_list.h"
#include "dui/markup/style_loader.h"
#include "dui/markup/xml_document.h"
#include "support/debug_log.h"

namespace dui {

namespace {
constexpr wchar_t kFontListName[] = L"font.xml";
}

SkinResources& skinResources() {
  static SkinResources resources;
  return resources;
}

bool SkinResources::open(const std::wstring& packageName) {
  clear();
  if (!package_.open(packageName, L"skin")) return false;
  loadFonts();
  return true;
}

void SkinResources::loadFonts() {
  size_t size = 0;
  kavri::HeapBuffer text = extract(kFontListName, &size);
  if (!text) {
    kavri::debugLog(L"skin package has no \"font.xml\": no named fonts");
    return;
  }
  std::unique_ptr<XmlDocument> doc = XmlDocument::parse(text.get(), size, kFontListName);
  if (!doc) return;   // reported by the parser
  for (const FontDescription& description : readFontDescriptions(doc->root(), defaultGuiLogFont())) {
    kavri::UniqueHfont font(::CreateFontIndirectW(&description.logFont));
    if (!font) kavri::logWin32Failure("CreateFontIndirectW", __FILE__, __LINE__);
    // A later definition of the same name replaces the earlier font.
    fonts_[description.name] = std::move(font);
  }
}

void SkinResources::clear() {
  package_.close();
  images_.clear();
  // Styles hold image and font names only, never handles: any order works.
  styles_.clear();
  fonts_.clear();
}

HFONT SkinResources::getFont(const std::wstring& name) {
  auto it = fonts_.find(name);
  if (it == fonts_.end()) it = fonts_.emplace(name, kavri::UniqueHfont()).first;
  return it->second.get();
}

SkinImage* SkinResources::getImage(const std::wstring& name) {
  auto it = images_.find(name);
  if (it != images_.end()) return it->second.get();
  size_t size = 0;
  kavri::HeapBuffer bytes = extract(name, &size);
  if (!bytes) return nullptr;
  auto image = std::make_unique<SkinImage>();
  if (!image->load(bytes.get(), size)) kavri::debugLog(L"skin image \"" + name + L"\" could not be decoded");
  // Larger pictures for display scales, "name@1.5x.png" and "name@2x.png",
  // where the package has them.
  for (int percent : kImageVariantPercents) {
    if (percent == 100 || !image->bitmap()) continue;
    const std::wstring variantName = imageVariantName(name, percent);
    size_t variantSize = 0;
    kavri::HeapBuffer variantBytes = extract(variantName, &variantSize);
    if (!variantBytes) continue;
    auto variant = std::make_unique<SkinImage>();
    if (!variant->load(variantBytes.get(), variantSize) || !image->addVariant(percent, std::move(variant)))
      kavri::debugLog(L"skin image \"" + variantName + L"\" is no larger picture of \"" + name + L"\": not used");
  }
  return images_.emplace(name, std::move(image)).first->second.get();
}

Style* SkinResources::getStyle(const std::wstring& name) {
  auto it = styles_.find(name);
  if (it != styles_.end()) return it->second.get();
  size_t size = 0;
  kavri::HeapBuffer bytes = extract(name, &size);
  if (!bytes) return nullptr;
  return styles_.emplace(name, buildStyle(name, bytes.get(), size)).first->second.get();
}

kavri::HeapBuffer SkinResources::extract(const std::wstring& name, size_t* size) const {
  return package_.extract(name, size);
}

}  // namespace dui
