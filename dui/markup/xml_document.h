// XmlDocument: one markup file (layout, style, "font.xml") parsed with rapidxml
// from UTF-8 bytes into wide-character nodes, with the parser's weak spots
// guarded:
//  - it only ever sees a zero-terminated copy of the text (it reads up to the
//    terminator, never up to a length);
//  - documents nested deeper than kMaxXmlDepth are refused before parsing (it
//    recurses once per level);
//  - its character tables look at the low byte of a wide character only, so
//    characters above U+00FF (most of CJK) are parsed through a placeholder
//    and put back afterwards; otherwise a character like U+4E00 would end an
//    attribute value;
//  - its parse error is caught here: the file name, the parser's message and
//    the position go to the debugger output, and the caller gets nothing.
// Parse mode: the XML declaration, comments, DOCTYPE and processing
// instructions are skipped; character and entity references stay as written;
// closing-tag names are not compared with their opening tags.
#pragma once

#include <rapidxml.hpp>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace dui {

using XmlNode = rapidxml::xml_node<wchar_t>;
using XmlAttribute = rapidxml::xml_attribute<wchar_t>;

inline constexpr int kMaxXmlDepth = 256;
inline constexpr int kXmlParseFlags = rapidxml::parse_no_entity_translation;

class XmlDocument {
 public:
  // Parses `size` bytes of UTF-8 text (a leading byte-order mark is skipped).
  // Returns nothing for malformed text, text nested deeper than kMaxXmlDepth
  // and text without any element; the reason, naming `fileName`, is written
  // to the debugger output and, when `error` is given, to *error.
  static std::unique_ptr<XmlDocument> parse(const void* bytes, size_t size, const std::wstring& fileName,
                                            std::wstring* error = nullptr);

  // The document's first element.
  XmlNode* root() const { return root_; }

  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

 private:
  XmlDocument() = default;

  std::vector<wchar_t> text_;   // parsed in place: the nodes point into it
  rapidxml::xml_document<wchar_t> document_;
  XmlNode* root_ = nullptr;
};

// UTF-8 to UTF-16 over the whole buffer (invalid sequences become U+FFFD).
std::wstring utf8ToWide(const void* bytes, size_t size);

// True when the markup opens more than `limit` elements inside one another
// (a cheap scan that follows the parser's view of tags, quotes, comments,
// CDATA, processing instructions and DOCTYPE).
bool exceedsXmlDepth(const wchar_t* text, size_t length, int limit);

// Element-only navigation (rapidxml's node lists also hold text nodes).
XmlNode* firstChildElement(const XmlNode* node);
XmlNode* nextSiblingElement(const XmlNode* node);
// The element's name compared exactly.
bool hasName(const XmlNode* node, const wchar_t* name);

}  // namespace dui
