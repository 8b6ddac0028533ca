// The content folder's checks: scripts compiled by Lua, layouts read by the
// markup's own parser against its element and attribute tables, the payload
// entry names scripts mention, and the product file.
#include "tools/contentcheck/content_check.h"

#include <rapidxml.hpp>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <system_error>

#include "dui/core/attribute_names.h"
#include "dui/markup/element_names.h"
#include "lauxlib.h"
#include "lua.h"
#include "tools/product/product_file.h"

namespace kavri::content {
namespace fs = std::filesystem;
namespace {

// The layouts' parse mode (dui/markup/xml_document.h): references stay as
// written, closing tags are not compared with their opening tags.
constexpr int kParseFlags = rapidxml::parse_no_entity_translation;

std::string lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The line (from 1) of byte `offset` in `text`.
int lineAt(const std::string& text, size_t offset) {
  offset = std::min(offset, text.size());
  return 1 + int(std::count(text.begin(), text.begin() + std::ptrdiff_t(offset), '\n'));
}

bool readFile(const fs::path& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// The files directly in `folder` whose name ends with `extension`, sorted.
std::vector<fs::path> filesIn(const fs::path& folder, const std::string& extension) {
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (!it->is_regular_file(error)) continue;
    const std::string name = it->path().filename().u8string();
    if (name.size() > extension.size() && lower(name.substr(name.size() - extension.size())) == extension)
      files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Every file below `folder`, as payload entry names ('/' between folders).
std::vector<std::string> entriesBelow(const fs::path& folder) {
  std::vector<std::string> entries;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error)) entries.push_back(it->path().lexically_relative(folder).generic_u8string());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::string relativeName(const fs::path& path, const fs::path& folder) {
  return path.lexically_relative(folder).generic_u8string();
}

// A string literal of a script and the line it starts on.
struct Literal {
  std::string value;
  int line;
};

// The short string literals ('...' and "...") of Lua source, outside
// comments and long strings. Escapes are read as Lua reads them as far as
// file names need ("\\\\", "\\n", quotes, decimal bytes); `\z` and line
// continuations end the literal's use as a name, so those are dropped.
std::vector<Literal> stringLiterals(const std::string& text) {
  std::vector<Literal> literals;
  int line = 1;
  size_t i = 0;
  // The length of a long bracket's level "[==[" at `at`, or npos.
  auto longBracket = [&](size_t at) -> size_t {
    if (at >= text.size() || text[at] != '[') return std::string::npos;
    size_t j = at + 1;
    while (j < text.size() && text[j] == '=') ++j;
    return j < text.size() && text[j] == '[' ? j - at - 1 : std::string::npos;
  };
  auto skipLong = [&](size_t at, size_t level) {   // from the opening bracket to after the closing one
    const std::string close = "]" + std::string(level, '=') + "]";
    const size_t end = text.find(close, at + level + 2);
    const size_t stop = end == std::string::npos ? text.size() : end + close.size();
    line += int(std::count(text.begin() + std::ptrdiff_t(at), text.begin() + std::ptrdiff_t(stop), '\n'));
    return stop;
  };
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      const size_t level = longBracket(i + 2);
      if (level != std::string::npos) {
        i = skipLong(i + 2, level);
      } else {
        i = text.find('\n', i);
        if (i == std::string::npos) i = text.size();
      }
    } else if (c == '[' && longBracket(i) != std::string::npos) {
      i = skipLong(i, longBracket(i));
    } else if (c == '"' || c == '\'') {
      Literal literal{std::string(), line};
      bool usable = true;
      ++i;
      while (i < text.size() && text[i] != c && text[i] != '\n') {
        if (text[i] == '\\' && i + 1 < text.size()) {
          const char e = text[i + 1];
          i += 2;
          if (e == 'n') literal.value += '\n';
          else if (e == 't') literal.value += '\t';
          else if (e == '\\' || e == '"' || e == '\'') literal.value += e;
          else if (std::isdigit(static_cast<unsigned char>(e))) {
            int value = e - '0';
            for (int k = 0; k < 2 && i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++k)
              value = value * 10 + (text[i++] - '0');
            literal.value += char(value);
          } else {
            usable = false;
            if (e == '\n') ++line;
          }
        } else {
          literal.value += text[i++];
        }
      }
      if (i < text.size() && text[i] == c) ++i;
      if (usable) literals.push_back(literal);
    } else {
      ++i;
    }
  }
  return literals;
}

// The attribute names a layout may use: the attribute table's and the flags.
const std::set<std::string>& knownAttributes() {
  static const std::set<std::string> names = [] {
    std::set<std::string> out;
#define KAVRI_ATTRIBUTE_TEXT(n) out.insert(#n);
    DUI_ATTRIBUTE_NAMES(KAVRI_ATTRIBUTE_TEXT)
#undef KAVRI_ATTRIBUTE_TEXT
    for (const char* flag : dui::kFlagAttributeNames) out.insert(flag);
    return out;
  }();
  return names;
}

const std::set<std::string>& knownElements() {
  static const std::set<std::string> names(std::begin(dui::kLayoutElementNames), std::end(dui::kLayoutElementNames));
  return names;
}

// The elements below `node` and their attributes, against the tables. An
// unknown element's subtree is not looked into: the markup skips it whole.
void checkElements(const rapidxml::xml_node<char>* node, const std::string& file, const std::string& original,
                   const char* base, std::vector<Problem>& problems) {
  for (const rapidxml::xml_node<char>* child = node->first_node(); child; child = child->next_sibling()) {
    if (child->type() != rapidxml::node_element) continue;
    const std::string name(child->name(), child->name_size());
    const int line = lineAt(original, size_t(child->name() - base));
    if (!knownElements().count(name)) {
      problems.push_back({file, line,
                          "unknown element <" + name + ">: the markup skips it with all inside it; use one of the "
                          "elements in docs/markup-and-styles.md (names are case-sensitive)"});
      continue;
    }
    for (const rapidxml::xml_attribute<char>* a = child->first_attribute(); a; a = a->next_attribute()) {
      const std::string attribute(a->name(), a->name_size());
      if (!knownAttributes().count(attribute))
        problems.push_back({file, lineAt(original, size_t(a->name() - base)),
                            "unknown attribute \"" + attribute + "\" on <" + name +
                                ">: the markup ignores it; use one of the attributes in docs/markup-and-styles.md "
                                "(names are case-sensitive)"});
    }
    checkElements(child, file, original, base, problems);
  }
}

}  // namespace

std::string describe(const Problem& problem) {
  return problem.file + (problem.line > 0 ? ":" + std::to_string(problem.line) : std::string()) + ": " + problem.text;
}

std::vector<Problem> checkScript(const std::string& file, const std::string& text) {
  std::vector<Problem> problems;
  lua_State* L = luaL_newstate();
  if (!L) return {{file, 0, "cannot be compiled here (no memory for Lua): try again"}};
  const std::string chunk = "@" + file;
  if (luaL_loadbuffer(L, text.data(), text.size(), chunk.c_str()) != LUA_OK) {
    // "<file>:<line>: <message>"
    std::string message = lua_tostring(L, -1) ? lua_tostring(L, -1) : "does not compile";
    int line = 0;
    const std::string prefix = file + ":";
    if (message.compare(0, prefix.size(), prefix) == 0) {
      size_t at = prefix.size();
      while (at < message.size() && std::isdigit(static_cast<unsigned char>(message[at])))
        line = line * 10 + (message[at++] - '0');
      if (at < message.size() && message[at] == ':') ++at;
      while (at < message.size() && message[at] == ' ') ++at;
      message = message.substr(at);
    }
    problems.push_back({file, line, message + ": correct the script (Lua 5.2)"});
  }
  lua_close(L);
  return problems;
}

std::vector<Problem> checkLayout(const std::string& file, std::string text) {
  std::vector<Problem> problems;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);   // a byte-order mark, as the markup skips it
  const std::string original = text;
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  rapidxml::xml_document<char> document;
  try {
    document.parse<kParseFlags>(buffer.data());
  } catch (const rapidxml::parse_error& e) {
    const char* where = e.where<char>();
    const int line = where ? lineAt(original, size_t(where - buffer.data())) : 0;
    problems.push_back({file, line, std::string("the layout does not parse (") + e.what() +
                                        "): correct the markup; the window of this layout would not open"});
    return problems;
  }
  if (!document.first_node()) {
    problems.push_back({file, 0, "the layout holds no element: write its <Window>"});
    return problems;
  }
  checkElements(&document, file, original, buffer.data(), problems);
  return problems;
}

std::vector<Problem> checkEntryNames(const std::string& file, const std::string& text,
                                     const std::vector<std::string>& entries) {
  std::map<std::string, std::string> byLower;
  for (const std::string& entry : entries) byLower.emplace(lower(entry), entry);
  std::vector<Problem> problems;
  for (const Literal& literal : stringLiterals(text)) {
    std::string name = literal.value;
    std::replace(name.begin(), name.end(), '\\', '/');
    const auto found = byLower.find(lower(name));
    if (found == byLower.end() || found->second == name) continue;
    problems.push_back({file, literal.line,
                        "\"" + literal.value + "\" names the payload entry \"" + found->second +
                            "\" in another case: entry names count with their case; write it as the entry is named"});
  }
  return problems;
}

std::vector<Problem> checkContentFolder(const fs::path& folder) {
  std::vector<Problem> problems;
  auto add = [&problems](std::vector<Problem> more) {
    problems.insert(problems.end(), more.begin(), more.end());
  };

  // The payload: program/'s files and the uninstaller the build adds.
  std::vector<std::string> entries = entriesBelow(folder / "program");
  entries.push_back("Uninstall.exe");

  // The product file, and the payload entries it names.
  const fs::path productPath = folder / "product.json";
  std::string productText;
  if (!readFile(productPath, productText)) {
    problems.push_back({"product.json", 0, "is missing: copy installer/product.json and describe your product"});
  } else {
    product::Product product;
    std::vector<product::Problem> productProblems;
    product::readProductFile(productPath, product, productProblems);
    for (const product::Problem& p : productProblems)
      problems.push_back({"product.json", p.line, (p.field.empty() ? "" : p.field + ": ") + p.text});
    std::map<std::string, std::string> byLower;
    for (const std::string& entry : entries) byLower.emplace(lower(entry), entry);
    for (const auto& [field, value] : {std::pair<std::string, std::string>{"program", product.program},
                                       std::pair<std::string, std::string>{"readme", product.readme}}) {
      if (value.empty() || std::find(entries.begin(), entries.end(), value) != entries.end()) continue;
      const size_t at = productText.find("\"" + field + "\"");
      const int line = at == std::string::npos ? 0 : lineAt(productText, at);
      const auto other = byLower.find(lower(value));
      problems.push_back(
          {"product.json", line,
           field + ": \"" + value + "\" " +
               (other != byLower.end() ? "is named \"" + other->second + "\" in the payload: write it with that case"
                                       : "is not in the payload: put the file into program/, or name a file "
                                         "that is there (the path below program/, with '/')")});
    }
  }

  // Scripts: the content's and its uninstaller's.
  std::vector<fs::path> scripts = filesIn(folder, ".lua");
  for (const fs::path& script : filesIn(folder / "uninstall", ".lua")) scripts.push_back(script);
  std::vector<std::pair<std::string, std::string>> scriptTexts;
  for (const fs::path& script : scripts) {
    std::string text;
    const std::string name = relativeName(script, folder);
    if (!readFile(script, text)) {
      problems.push_back({name, 0, "cannot be read: check its permissions"});
      continue;
    }
    add(checkScript(name, text));
    scriptTexts.emplace_back(name, text);
  }

  // Layouts: the content's and its uninstaller's.
  if (!fs::is_directory(folder / "frame"))
    problems.push_back({"frame", 0, "is missing: copy installer/frame, the window's layouts"});
  std::vector<fs::path> layouts = filesIn(folder / "frame", ".xml");
  for (const fs::path& layout : filesIn(folder / "uninstall" / "frame", ".xml")) layouts.push_back(layout);
  for (const fs::path& layout : layouts) {
    std::string text;
    const std::string name = relativeName(layout, folder);
    if (!readFile(layout, text)) {
      problems.push_back({name, 0, "cannot be read: check its permissions"});
      continue;
    }
    add(checkLayout(name, text));
  }

  for (const auto& [name, text] : scriptTexts) add(checkEntryNames(name, text, entries));
  return problems;
}

}  // namespace kavri::content
