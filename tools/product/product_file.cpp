// Reads and checks a product file: every field's type and form, the defaults
// of the optional ones, and each problem named with its field, its line and
// what to do about it.
#include "tools/product/product_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "support/json.h"

namespace kavri::product {
namespace {

// [SECTION] the fields

struct Field {
  const char* name;
  bool required;
  const char* example;   // what to write, shown when it is missing or wrong
};

const Field kFields[] = {
    {"name", true, "\"name\": \"Tally\""},
    {"version", true, "\"version\": \"2.1.0\""},
    {"publisher", true, "\"publisher\": \"Northwind Tools\""},
    {"copyright", false, "\"copyright\": \"Copyright (C) 2024 Northwind Tools\""},
    {"description", false, "\"description\": \"Tally Setup\""},
    {"url", false, "\"url\": \"https://example.com/tally\""},
    {"installMode", false, "\"installMode\": \"perUser\""},
    {"icon", false, "\"icon\": \"tally.ico\""},
    {"id", false, "\"id\": \"Northwind.Tally\""},
    {"program", false, "\"program\": \"Tally.exe\""},
    {"readme", false, "\"readme\": \"readme.txt\""},
};

const Field* findField(const std::string& name) {
  for (const Field& field : kFields)
    if (name == field.name) return &field;
  return nullptr;
}

std::string fieldList() {
  std::string list;
  for (const Field& field : kFields) list += (list.empty() ? "" : ", ") + std::string(field.name);
  return list;
}

// [SECTION] text

// An ASCII field name as the JSON library keys members.
std::u16string toUtf16(const char* ascii) { return std::u16string(ascii, ascii + std::char_traits<char>::length(ascii)); }

// Characters, not bytes, of UTF-8 text.
size_t characterCount(const std::string& text) {
  return size_t(std::count_if(text.begin(), text.end(), [](char c) { return (uint8_t(c) & 0xC0) != 0x80; }));
}

bool hasControlCharacter(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return uint8_t(c) < 0x20 || c == 0x7F; });
}

std::string lowered(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return text;
}

bool isAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The line a member named `key` is written on (its last writing: a later
// duplicate replaces an earlier one), or 0. Keys are found in quotes or bare,
// followed by a colon.
int lineOfKey(const std::string& text, const std::string& key) {
  int found = 0;
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
    size_t after = at + key.size();
    const bool quoted = at > 0 && text[at - 1] == '"';
    if (quoted) {
      if (after >= text.size() || text[after] != '"') continue;
      ++after;
    } else if ((at > 0 && (isAsciiAlnum(text[at - 1]) || text[at - 1] == '_')) ||
               (after < text.size() && (isAsciiAlnum(text[after]) || text[after] == '_'))) {
      continue;   // part of a longer word
    }
    while (after < text.size() && (text[after] == ' ' || text[after] == '\t' || text[after] == '\r' ||
                                   text[after] == '\n'))
      ++after;
    if (after < text.size() && text[after] == ':')
      found = 1 + int(std::count(text.begin(), text.begin() + std::ptrdiff_t(at), '\n'));
  }
  return found;
}

// [SECTION] the checks of each field

class Checker {
 public:
  Checker(const std::string& text, std::vector<Problem>& problems) : text_(text), problems_(problems) {}

  void report(const std::string& field, std::string what) {
    problems_.push_back(Problem{field, field.empty() ? 0 : lineOfKey(text_, field), std::move(what)});
  }

  // The text of every member that is a string; a member of another type,
  // or an unknown member, is reported.
  std::map<std::string, std::string> strings(const JObject& file) {
    std::map<std::string, std::string> values;
    for (const auto& [key16, value] : file.members()) {
      const std::string key = jsonTextToUtf8(key16);
      const Field* field = findField(key);
      if (!field) {
        std::string hint;
        for (const Field& known : kFields)
          if (lowered(key) == lowered(known.name)) hint = " (did you mean \"" + std::string(known.name) + "\"?)";
        report(key, "is not a field of the product file" + hint + ": the fields are " + fieldList());
        continue;
      }
      if (value.type() != JType::String) {
        report(key, "must be a text in quotes, like " + std::string(field->example));
        continue;
      }
      values[key] = jsonTextToUtf8(value.asString());
    }
    for (const Field& field : kFields)
      if (field.required && !file.members().count(toUtf16(field.name)))
        report(field.name, "is missing: add " + std::string(field.example));
    return values;
  }

  // Common to every text: one line, not empty, not too long.
  bool plainText(const std::string& field, const std::string& value, size_t longest) {
    if (hasControlCharacter(value)) {
      report(field, "holds a line break, tab or other control character: write it on one line");
      return false;
    }
    if (value.empty()) {
      report(field, "is empty: write it, like " + std::string(findField(field)->example) +
                        (findField(field)->required ? "" : ", or leave the field out"));
      return false;
    }
    if (characterCount(value) > longest) {
      report(field, "is longer than " + std::to_string(longest) + " characters: shorten it");
      return false;
    }
    return true;
  }

  void name(const std::string& value) {
    if (!plainText("name", value, 64)) return;
    const std::string forbidden = "\\/:*?\"<>|";
    const size_t bad = value.find_first_of(forbidden);
    if (bad != std::string::npos) {
      report("name", "\"" + value + "\" holds '" + value[bad] +
                         "', which a folder name cannot hold (the name is also the install folder's, the "
                         "start-menu folder's and the registry keys' name): leave out \\ / : * ? \" < > |");
      return;
    }
    if (value.front() == ' ' || value.back() == ' ' || value.back() == '.') {
      report("name", "\"" + value + "\" begins or ends with a space, or ends with a dot, which Windows drops "
                     "from folder names: take them away");
      return;
    }
    std::string stem = lowered(value.substr(0, value.find('.')));
    static const char* const kDevices[] = {"con", "prn", "aux", "nul", "com1", "com2", "com3", "com4", "com5",
                                           "com6", "com7", "com8", "com9", "lpt1", "lpt2", "lpt3", "lpt4",
                                           "lpt5", "lpt6", "lpt7", "lpt8", "lpt9"};
    for (const char* device : kDevices)
      if (stem == device)
        report("name", "\"" + value + "\" is the name of a device in Windows and cannot name a folder: choose another");
  }

  bool version(const std::string& value, std::array<uint16_t, 4>& numbers) {
    const std::string fix = "write three or four whole numbers from 0 to 65535 separated by dots, like \"2.1.0\"";
    if (hasControlCharacter(value) || value.empty()) {
      report("version", "is empty or not on one line: " + fix);
      return false;
    }
    std::vector<std::string> parts;
    std::stringstream in(value);
    for (std::string part; std::getline(in, part, '.');) parts.push_back(part);
    if (value.back() == '.') parts.push_back("");
    bool ok = parts.size() == 3 || parts.size() == 4;
    for (size_t i = 0; ok && i < parts.size(); ++i) {
      const std::string& part = parts[i];
      ok = !part.empty() && part.size() <= 5 && std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           !(part.size() > 1 && part[0] == '0') && std::stoul(part) <= 65535;
      if (ok) numbers[i] = uint16_t(std::stoul(part));
    }
    if (!ok) report("version", "\"" + value + "\" is not a version: " + fix + " (no leading zeros)");
    return ok;
  }

  void url(const std::string& value) {
    if (!plainText("url", value, 2048)) return;
    const std::string low = lowered(value);
    if ((low.rfind("https://", 0) != 0 && low.rfind("http://", 0) != 0) || low.size() <= 8 ||
        value.find(' ') != std::string::npos)
      report("url", "\"" + value + "\" is not a web address: write it whole, beginning with https://, without spaces");
  }

  bool installMode(const std::string& value, InstallMode& mode) {
    for (InstallMode m : {InstallMode::PerMachine, InstallMode::PerUser, InstallMode::Choose})
      if (value == installModeName(m)) {
        mode = m;
        return true;
      }
    report("installMode", "\"" + value + "\" is not an install mode: write \"perMachine\" (every user; asks for "
                          "administrator rights), \"perUser\" (the user who runs it; no elevation) or \"choose\" "
                          "(the user chooses on the folder page)");
    return false;
  }

  // A path below the content folder, or a payload entry: relative, with no
  // empty, "." or ".." part, no drive or stream.
  bool relativePath(const std::string& field, const std::string& value, const std::string& what) {
    if (!plainText(field, value, 260)) return false;
    bool ok = value.find(':') == std::string::npos && value.front() != '/' && value.front() != '\\';
    std::string part;
    for (size_t i = 0; ok && i <= value.size(); ++i) {
      if (i == value.size() || value[i] == '/' || value[i] == '\\') {
        ok = !part.empty() && part != "." && part != "..";
        part.clear();
      } else {
        part += value[i];
      }
    }
    if (!ok) report(field, "\"" + value + "\" is not " + what + ": write a relative path like " + findField(field)->example +
                               ", with no \"..\", drive or leading separator");
    return ok;
  }

  void icon(const std::string& value, const std::filesystem::path& contentFolder) {
    if (!relativePath("icon", value, "a file in the content folder")) return;
    if (lowered(value).size() < 4 || lowered(value).compare(value.size() - 4, 4, ".ico") != 0) {
      report("icon", "\"" + value + "\" is not an icon file: name a .ico file in the content folder");
      return;
    }
    const std::filesystem::path path = contentFolder / std::filesystem::u8path(value);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      report("icon", "\"" + value + "\" is not in the content folder (" + path.u8string() +
                         "): put the icon there, or leave the field out for the default icon");
      return;
    }
    unsigned char head[6] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    // An icon file begins with a reserved zero word, the type 1 and the number of images.
    if (in.gcount() != 6 || head[0] || head[1] || head[2] != 1 || head[3] || (head[4] == 0 && head[5] == 0))
      report("icon", "\"" + value + "\" is not a Windows icon (.ico) file: save the icon in that format");
  }

  void id(const std::string& value) {
    const bool ok = !value.empty() && value.size() <= 64 && isAsciiAlnum(value.front()) &&
                    std::all_of(value.begin(), value.end(),
                                [](char c) { return isAsciiAlnum(c) || c == '.' || c == '-' || c == '_'; });
    if (!ok)
      report("id", "\"" + value + "\" is not an id: write up to 64 letters (a-z, A-Z), digits, '.', '-' or '_', "
                   "beginning with a letter or digit, like \"Northwind.Tally\"");
  }

 private:
  const std::string& text_;
  std::vector<Problem>& problems_;
};

// The id a product without one gets: its name's runs of ASCII letters and
// digits joined by dots ("Tally 2" -> "Tally.2"); empty when there are none.
std::string idFromName(const std::string& name) {
  std::string id;
  bool gap = false;
  for (char c : name) {
    if (isAsciiAlnum(c)) {
      if (gap && !id.empty()) id += '.';
      id += c;
      gap = false;
    } else {
      gap = true;
    }
  }
  return id.substr(0, 64);
}

// Line and column (from 1) of a byte offset.
std::pair<int, int> lineAndColumn(const std::string& text, size_t offset) {
  offset = std::min(offset, text.size());
  const auto first = text.begin();
  const int line = 1 + int(std::count(first, first + std::ptrdiff_t(offset), '\n'));
  const size_t lineStart = text.rfind('\n', offset == 0 ? 0 : offset - 1);
  const size_t column = lineStart == std::string::npos || offset == 0 ? offset + 1 : offset - lineStart;
  return {line, int(column)};
}

}  // namespace

const char* installModeName(InstallMode mode) {
  switch (mode) {
    case InstallMode::PerMachine: return "perMachine";
    case InstallMode::PerUser: return "perUser";
    case InstallMode::Choose: return "choose";
  }
  return "perMachine";
}

bool readProduct(const std::string& bytes, const std::filesystem::path& contentFolder, Product& product,
                 std::vector<Problem>& problems) {
  // Editors on Windows often begin UTF-8 with a byte-order mark; it is no part of the JSON.
  const std::string text = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? bytes.substr(3) : bytes;
  const size_t before = problems.size();
  JObject file;
  try {
    file = JObject::parse(text.c_str());
  } catch (const JParseException& e) {
    const auto [line, column] = lineAndColumn(text, e.position());
    problems.push_back(Problem{"", line, "not valid JSON at column " + std::to_string(column) +
                                             ": the file holds one object, like { \"name\": \"Tally\", "
                                             "\"version\": \"2.1.0\", \"publisher\": \"Northwind Tools\" }"});
    return false;
  }
  if (text.find('\0') != std::string::npos || file.type() != JType::Object) {
    problems.push_back(Problem{"", 1, "the file must hold one JSON object, like { \"name\": \"Tally\", "
                                      "\"version\": \"2.1.0\", \"publisher\": \"Northwind Tools\" }"});
    return false;
  }

  Checker check(text, problems);
  std::map<std::string, std::string> values = check.strings(file);
  auto has = [&](const char* field) { return values.count(field) != 0; };

  Product out;
  if (has("name")) {
    out.name = values["name"];
    check.name(out.name);
  }
  if (has("version")) {
    out.version = values["version"];
    check.version(out.version, out.versionNumbers);
  }
  if (has("publisher")) {
    out.publisher = values["publisher"];
    check.plainText("publisher", out.publisher, 128);
  }
  out.copyright = has("copyright") ? values["copyright"] : "Copyright (C) " + out.publisher;
  if (has("copyright")) check.plainText("copyright", out.copyright, 256);
  out.description = has("description") ? values["description"] : out.name + " Setup";
  if (has("description")) check.plainText("description", out.description, 256);
  if (has("url")) {
    out.url = values["url"];
    check.url(out.url);
  }
  if (has("installMode")) check.installMode(values["installMode"], out.installMode);
  if (has("icon")) {
    out.icon = values["icon"];
    check.icon(out.icon, contentFolder);
  }
  if (has("id")) {
    out.id = values["id"];
    check.id(out.id);
  } else if (has("name")) {
    out.id = idFromName(out.name);
    if (out.id.empty())
      check.report("id", "cannot be made from the name \"" + out.name + "\", which has no letters a-z or digits: "
                         "add an id, like \"Northwind.Tally\"");
  }
  for (const char* entry : {"program", "readme"})
    if (has(entry)) check.relativePath(entry, values[entry], "an entry of the payload");
  out.program = values["program"];
  out.readme = values["readme"];

  if (problems.size() != before) return false;
  product = std::move(out);
  return true;
}

bool readProductFile(const std::filesystem::path& path, Product& product, std::vector<Problem>& problems) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    problems.push_back(Problem{"", 0, "cannot be read: every content folder describes its product in "
                                      "product.json (copy installer/product.json and edit it)"});
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return readProduct(text, path.parent_path(), product, problems);
}

std::string describe(const Problem& problem, const std::string& fileName) {
  std::string out = fileName;
  if (problem.line > 0) out += ":" + std::to_string(problem.line);
  out += ": ";
  if (!problem.field.empty()) out += problem.field + ": ";
  return out + problem.text;
}

}  // namespace kavri::product
