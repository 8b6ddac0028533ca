// Style files to style objects.
#include "dui/markup/style_loader.h"

#include "dui/core/style.h"
#include "dui/markup/element_factory.h"
#include "dui/markup/setter_table.h"
#include "dui/markup/xml_document.h"
#include "support/debug_log.h"

namespace dui {

std::unique_ptr<Style> buildStyle(const std::wstring& name, const void* bytes, std::size_t size) {
  std::unique_ptr<XmlDocument> doc = XmlDocument::parse(bytes, size, name);
  if (!doc) return nullptr;   // reported by the parser
  const XmlNode* config = firstChildElement(doc->root());
  const XmlAttribute* type = config ? config->first_attribute() : nullptr;
  if (!type) {
    kavri::debugLog(L"style \"" + name + L"\": no Config element with a type");
    return nullptr;
  }
  std::unique_ptr<Style> style = elementFactory().createStyle(type->value());
  setterTable().apply(*style, firstChildElement(config));   // Prop; none leaves the style bare
  return style;
}

}  // namespace dui
