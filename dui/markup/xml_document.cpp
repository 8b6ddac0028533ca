// Guarded rapidxml parsing of UTF-8 markup into wide-character nodes. Window-
// free apart from the UTF-8 conversion, which the native fuzz build replaces.
#include "xml_document.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <new>

#include "support/debug_log.h"

namespace dui {
namespace {

// Stands in for every character above U+00FF while the parser runs. The
// parser's tables treat it as an ordinary name and text character, exactly
// as the real character should be treated.
constexpr wchar_t kWidePlaceholder = 0x00FF;

bool startsWith(const wchar_t* p, const wchar_t* end, const wchar_t* prefix) {
  for (; *prefix; ++p, ++prefix)
    if (p >= end || *p != *prefix) return false;
  return true;
}

// Position just after the first `terminator` at or after p, or end.
const wchar_t* skipPast(const wchar_t* p, const wchar_t* end, const wchar_t* terminator) {
  const size_t n = std::wcslen(terminator);
  for (; p < end; ++p)
    if (size_t(end - p) >= n && std::wmemcmp(p, terminator, n) == 0) return p + n;
  return end;
}

bool isXmlSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

void report(const std::wstring& text, std::wstring* error) {
  kavri::debugLog(text);
  if (error) *error = text;
}

}  // namespace

#ifdef _WIN32
std::wstring utf8ToWide(const void* bytes, size_t size) {
  std::wstring out;
  if (!bytes || size == 0 || size > size_t(INT_MAX)) return out;
  const char* in = static_cast<const char*>(bytes);
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, in, int(size), nullptr, 0);
  if (length <= 0) return out;
  out.resize(size_t(length));
  ::MultiByteToWideChar(CP_UTF8, 0, in, int(size), &out[0], length);
  return out;
}
#endif

bool exceedsXmlDepth(const wchar_t* text, size_t length, int limit) {
  const wchar_t* p = text;
  const wchar_t* const end = text + length;
  int depth = 0;
  while (p < end) {
    if (*p != L'<') {
      ++p;
      continue;
    }
    if (startsWith(p, end, L"<!--")) {
      p = skipPast(p + 4, end, L"-->");
    } else if (startsWith(p, end, L"<![CDATA[")) {
      p = skipPast(p + 9, end, L"]]>");
    } else if (startsWith(p, end, L"<?")) {
      p = skipPast(p + 2, end, L"?>");
    } else if (startsWith(p, end, L"<!DOCTYPE") && p + 9 < end && isXmlSpace(p[9])) {
      // As the parser does: a bracketed internal subset may hold '>'.
      for (p += 9; p < end && *p != L'>'; ++p) {
        if (*p != L'[') continue;
        int brackets = 1;
        for (++p; p < end && brackets > 0; ++p) {
          if (*p == L'[') ++brackets;
          else if (*p == L']') --brackets;
        }
        --p;
      }
      if (p < end) ++p;
    } else if (startsWith(p, end, L"<!")) {
      p = skipPast(p + 2, end, L">");   // other declarations end at the first '>'
    } else if (startsWith(p, end, L"</")) {
      if (depth > 0) --depth;
      p = skipPast(p + 2, end, L">");
    } else {
      if (++depth > limit) return true;
      // The rest of the start tag: quoted values may hold '>' and "/>".
      for (++p; p < end; ++p) {
        if (*p == L'"' || *p == L'\'') {
          const wchar_t quote = *p;
          for (++p; p < end && *p != quote; ++p) {}
          if (p == end) break;
        } else if (*p == L'/' && p + 1 < end && p[1] == L'>') {
          --depth;   // empty element
          p += 2;
          break;
        } else if (*p == L'>') {
          ++p;
          break;
        }
      }
    }
  }
  return false;
}

std::unique_ptr<XmlDocument> XmlDocument::parse(const void* bytes, size_t size, const std::wstring& fileName,
                                                std::wstring* error) {
  std::wstring text = utf8ToWide(bytes, size);
  size_t start = (!text.empty() && text[0] == 0xFEFF) ? 1 : 0;   // byte-order mark
  const wchar_t* body = text.c_str() + start;
  const size_t length = text.size() - start;

  if (exceedsXmlDepth(body, length, kMaxXmlDepth)) {
    report(fileName + L": elements nested deeper than " + std::to_wstring(kMaxXmlDepth) + L" levels", error);
    return nullptr;
  }

  std::unique_ptr<XmlDocument> doc;
  try {
    doc.reset(new XmlDocument);
    // The parser works on its own zero-terminated copy, with wide characters
    // replaced by the placeholder; `text` keeps the originals.
    doc->text_.assign(body, body + length);
    doc->text_.push_back(L'\0');
    bool anyWide = false;
    for (size_t i = 0; i < length; ++i) {
      if (doc->text_[i] > 0xFF) {
        doc->text_[i] = kWidePlaceholder;
        anyWide = true;
      }
    }
    doc->document_.parse<kXmlParseFlags>(doc->text_.data());
    // References are not expanded and white space is not normalised, so
    // nothing moved: every placeholder is still where its character was (the
    // parser writes its terminators only over markup characters).
    if (anyWide) {
      for (size_t i = 0; i < length; ++i)
        if (doc->text_[i] == kWidePlaceholder && body[i] > 0xFF) doc->text_[i] = body[i];
    }
  } catch (const rapidxml::parse_error& e) {
    const wchar_t* where = e.where<wchar_t>();
    const wchar_t* first = doc ? doc->text_.data() : nullptr;
    std::wstring position = L"an unknown position";
    if (first && where >= first && where <= first + length) {
      const long long line = 1 + std::count(first, where, L'\n');
      position = L"character " + std::to_wstring(where - first) + L" (line " + std::to_wstring(line) + L")";
    }
    report(fileName + L": XML error \"" + utf8ToWide(e.what(), std::strlen(e.what())) + L"\" at " + position, error);
    return nullptr;
  } catch (const std::bad_alloc&) {
    report(fileName + L": out of memory while parsing", error);
    return nullptr;
  }

  doc->root_ = doc->document_.first_node();
  while (doc->root_ && doc->root_->type() != rapidxml::node_element) doc->root_ = doc->root_->next_sibling();
  if (!doc->root_) {
    report(fileName + L": no element in the document", error);
    return nullptr;
  }
  return doc;
}

XmlNode* firstChildElement(const XmlNode* node) {
  if (!node) return nullptr;
  XmlNode* child = node->first_node();
  while (child && child->type() != rapidxml::node_element) child = child->next_sibling();
  return child;
}

XmlNode* nextSiblingElement(const XmlNode* node) {
  if (!node) return nullptr;
  XmlNode* next = node->next_sibling();
  while (next && next->type() != rapidxml::node_element) next = next->next_sibling();
  return next;
}

bool hasName(const XmlNode* node, const wchar_t* name) {
  return node && std::wcscmp(node->name(), name) == 0;
}

}  // namespace dui
