// The VERSIONINFO resource: the file and product versions as numbers, and
// the texts Windows shows in the file's properties, the elevation prompt and
// download warnings.
#include "tools/product/product_outputs.h"

namespace kavri::product {
namespace {

std::string numbers(const Product& product) {
  const auto& v = product.versionNumbers;
  return std::to_string(v[0]) + "," + std::to_string(v[1]) + "," + std::to_string(v[2]) + "," + std::to_string(v[3]);
}

}  // namespace

std::string fileDescription(const Product& product, Role role) {
  return role == Role::Setup ? product.description : product.name + " Uninstaller";
}

std::string versionResource(const Product& product, Role role, const std::string& fileName) {
  const std::string internalName = fileName.substr(0, fileName.rfind('.'));
  std::string out =
      "// The version resource, written by the build from product.json.\n"
      "#pragma code_page(65001)\n"
      "1 VERSIONINFO\n"
      "FILEVERSION " + numbers(product) + "\n"
      "PRODUCTVERSION " + numbers(product) + "\n"
      "FILEFLAGSMASK 0x3f\n"
      "FILEFLAGS 0x0\n"
      "FILEOS 0x40004\n"      // VOS_NT_WINDOWS32
      "FILETYPE 0x1\n"        // VFT_APP
      "FILESUBTYPE 0x0\n"
      "BEGIN\n"
      "  BLOCK \"StringFileInfo\"\n"
      "  BEGIN\n"
      "    BLOCK \"040904b0\"\n"   // US English, UTF-16
      "    BEGIN\n";
  auto value = [&out](const char* key, const std::string& text) {
    if (!text.empty()) out += std::string("      VALUE \"") + key + "\", " + rcQuoted(text) + "\n";
  };
  value("CompanyName", product.publisher);
  value("FileDescription", fileDescription(product, role));
  value("FileVersion", product.version);
  value("InternalName", internalName);
  value("LegalCopyright", product.copyright);
  value("OriginalFilename", fileName);
  value("ProductName", product.name);
  value("ProductVersion", product.version);
  return out +
         "    END\n"
         "  END\n"
         "  BLOCK \"VarFileInfo\"\n"
         "  BEGIN\n"
         "    VALUE \"Translation\", 0x409, 1200\n"
         "  END\n"
         "END\n";
}

std::string rcQuoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += "\"\"";
    else if (c == '\\') out += "\\\\";
    else if (static_cast<unsigned char>(c) >= 32 && c != 127) out += c;
  }
  return out + "\"";
}

}  // namespace kavri::product
