// libFuzzer target for the markup reader (layouts, styles and "font.xml" all
// go through it): any bytes either parse into a document whose every element
// and attribute can be walked, or are refused; nothing reads outside the text
// and no nesting overflows the stack. The window-free core is built natively;
// the debugger log, a Windows call in the program, is stood in for below and
// the UTF-8 conversion in utf8_stand_in.cpp.
#include <cstdint>
#include <string>

#include "dui/markup/xml_document.h"

namespace kavri {
void debugLog(const std::wstring&) {}
}  // namespace kavri

namespace {

// Walks every element and attribute as the loaders do, reading each name and
// value to its end.
size_t walk(const dui::XmlNode* node, int depth) {
  size_t seen = 0;
  for (const dui::XmlAttribute* a = node->first_attribute(); a; a = a->next_attribute())
    seen += std::wstring(a->name(), a->name_size()).size() + std::wstring(a->value(), a->value_size()).size();
  for (const dui::XmlNode* child = dui::firstChildElement(node); child; child = dui::nextSiblingElement(child))
    seen += 1 + walk(child, depth + 1);
  return seen + std::wstring(node->value(), node->value_size()).size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::wstring error;
  auto document = dui::XmlDocument::parse(bytes.data(), bytes.size(), L"fuzz.xml", &error);
  if (document && document->root()) walk(document->root(), 0);
  return 0;
}
