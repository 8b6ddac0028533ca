// product.lua, the module the setup's and the uninstaller's scripts require:
// the product file's fields as plain Lua data.
#include <cstdio>

#include "tools/product/product_outputs.h"

namespace kavri::product {
namespace {

// A Lua string literal: quotes and backslashes escaped, every byte below 32
// and 127 as a decimal escape (the checks let none through; the writer does
// not rely on them), UTF-8 as it is.
std::string luaQuoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 32 || byte == 127) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\%03u", unsigned(byte));
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string productModule(const Product& product) {
  std::string out =
      "-- The product this installer installs, written by the build from product.json:\n"
      "-- change product.json, not this file. Plain data.\n"
      "return {\n";
  auto field = [&out](const char* key, const std::string& value, const char* note) {
    if (value.empty()) return;   // an optional field left out is nil
    out += std::string("  ") + key + " = " + luaQuoted(value) + "," + note + "\n";
  };
  field("name", product.name, "   -- on every page; the install and start-menu folders' name");
  field("version", product.version, "");
  field("publisher", product.publisher, "");
  field("copyright", product.copyright, "");
  field("description", product.description, "");
  field("url", product.url, "");
  field("installMode", installModeName(product.installMode), "   -- perMachine, perUser or choose");
  field("id", product.id, "   -- the product's identity: letters, digits, '.', '-', '_'");
  field("program", product.program, "   -- payload entry: the program the shortcuts start");
  field("readme", product.readme, "   -- payload entry: the readme the finish page offers");
  return out + "}\n";
}

}  // namespace kavri::product
