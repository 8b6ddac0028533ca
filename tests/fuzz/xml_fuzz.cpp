// libFuzzer target for the markup reader (layouts, styles and "font.xml" all
// go through it): any bytes either parse into a document whose every element
// and attribute can be walked, or are refused; nothing reads outside the text
// and no nesting overflows the stack. The window-free core is built natively;
// the UTF-8 conversion and the debugger log, Windows calls in the program, are
// stood in for below.
#include <cstdint>
#include <string>

#include "dui/markup/xml_document.h"

namespace kavri {
void debugLog(const std::wstring&) {}
}  // namespace kavri

namespace dui {

// UTF-8 to UTF-16 code units, invalid sequences as U+FFFD, as the system's
// converter gives them.
std::wstring utf8ToWide(const void* bytes, size_t size) {
  std::wstring out;
  const auto* p = static_cast<const uint8_t*>(bytes);
  const uint8_t* const end = p + (bytes ? size : 0);
  while (p < end) {
    uint32_t c = *p++;
    int more = c >= 0xF0 && c <= 0xF4 ? 3 : c >= 0xE0 ? (c <= 0xEF ? 2 : -1) : c >= 0xC2 ? 1 : c < 0x80 ? 0 : -1;
    if (more < 0) {
      out += wchar_t(0xFFFD);
      continue;
    }
    c &= more == 3 ? 0x07 : more == 2 ? 0x0F : more == 1 ? 0x1F : 0x7F;
    bool valid = true;
    for (int i = 0; i < more; ++i) {
      if (p >= end || (*p & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      c = (c << 6) | (*p++ & 0x3F);
    }
    if (!valid || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF || (more == 2 && c < 0x800) ||
        (more == 3 && c < 0x10000)) {
      out += wchar_t(0xFFFD);
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += wchar_t(0xD800 + (c >> 10));
      out += wchar_t(0xDC00 + (c & 0x3FF));
    } else {
      out += wchar_t(c);
    }
  }
  return out;
}

}  // namespace dui

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
