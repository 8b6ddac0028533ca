// The markup's named text values and their expansion in text attributes.
#include "dui/markup/text_variables.h"

#include <map>

namespace dui {
namespace {

std::map<std::wstring, std::wstring, std::less<>>& variables() {
  static std::map<std::wstring, std::wstring, std::less<>> table;
  return table;
}

}  // namespace

void setTextVariable(const std::wstring& name, const std::wstring& value) { variables()[name] = value; }

void clearTextVariables() { variables().clear(); }

std::wstring expandTextVariables(std::wstring_view text) {
  const auto& table = variables();
  std::wstring out;
  out.reserve(text.size());
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find(L'{', at);
    if (open == std::wstring_view::npos) break;
    const size_t close = text.find(L'}', open + 1);
    if (close == std::wstring_view::npos) break;
    out.append(text, at, open - at);
    const auto found = table.find(text.substr(open + 1, close - open - 1));
    if (found != table.end()) {
      out += found->second;
      at = close + 1;
    } else {
      out += L'{';   // not a name: the brace is text, and the search goes on after it
      at = open + 1;
    }
  }
  out.append(text, at, std::wstring_view::npos);
  return out;
}

}  // namespace dui
