// productfile: checks a content folder's product file and writes what the
// build makes of it for one installer executable.
//
//   productfile check PRODUCT.json
//       every problem of the file, one a line ("FILE:LINE: field: what is
//       wrong: what to do"); exit code 0 when there is none
//   productfile generate PRODUCT.json OUT_DIR --arch x86|amd64|* --role setup|uninstaller
//                        --file-name NAME.exe --default-icon ICO [--icon ICO]
//       writes into OUT_DIR: product.lua (the scripts' module), version.rc
//       (the VERSIONINFO resource), strings.rc (the product's name and id
//       for the host), installer.manifest, icon.ico (--icon, else
//       the product file's icon, else --default-icon) and signing.txt (the
//       description and web address a signature carries, one a line)
//
// Exit code 1 on any error (with a message on stderr), 2 on a wrong command line.
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "tools/product/product_file.h"
#include "tools/product/product_outputs.h"
#include "tools/whole_file.h"

namespace fs = std::filesystem;
using namespace kavri::product;
using kavri::tools::readWholeFile;
using kavri::tools::writeWholeFile;

namespace {

int usage() {
  std::cerr << "usage: productfile check PRODUCT.json\n"
               "       productfile generate PRODUCT.json OUT_DIR --arch x86|amd64|* --role setup|uninstaller\n"
               "                            --file-name NAME.exe --default-icon ICO [--icon ICO]\n";
  return 2;
}

bool load(const std::string& path, Product& product) {
  std::vector<Problem> problems;
  if (readProductFile(fs::u8path(path), product, problems)) return true;
  for (const Problem& problem : problems) std::cerr << describe(problem, path) << "\n";
  return false;
}

bool writeFile(const fs::path& path, const void* data, size_t size) {
  if (writeWholeFile(path, data, size)) return true;
  std::cerr << "productfile: cannot write " << path.u8string() << "\n";
  return false;
}

bool writeFile(const fs::path& path, const std::string& text) { return writeFile(path, text.data(), text.size()); }

int generate(const std::vector<std::string>& args) {
  if (args.size() < 2) return usage();
  const std::string productPath = args[0];
  const fs::path outDir = fs::u8path(args[1]);
  Architecture arch = Architecture::X86;
  Role role = Role::Setup;
  std::string fileName, defaultIcon, icon;
  bool haveArch = false, haveRole = false;
  for (size_t i = 2; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return usage();
    const std::string& option = args[i];
    const std::string& value = args[i + 1];
    if (option == "--arch") {
      if (!parseArchitecture(value, arch)) return usage();
      haveArch = true;
    } else if (option == "--role") {
      if (value != "setup" && value != "uninstaller") return usage();
      role = value == "setup" ? Role::Setup : Role::Uninstaller;
      haveRole = true;
    } else if (option == "--file-name") {
      fileName = value;
    } else if (option == "--default-icon") {
      defaultIcon = value;
    } else if (option == "--icon") {
      icon = value;
    } else {
      return usage();
    }
  }
  if (!haveArch || !haveRole || fileName.empty() || defaultIcon.empty()) return usage();

  Product product;
  if (!load(productPath, product)) return 1;
  fs::path iconPath = fs::u8path(defaultIcon);
  if (!icon.empty()) iconPath = fs::u8path(icon);
  else if (!product.icon.empty()) iconPath = fs::u8path(productPath).parent_path() / fs::u8path(product.icon);
  std::vector<uint8_t> iconBytes;
  if (!readWholeFile(iconPath, iconBytes)) {
    std::cerr << "productfile: cannot read the icon " << iconPath.u8string() << "\n";
    return 1;
  }

  std::error_code error;
  fs::create_directories(outDir, error);
  const bool written = writeFile(outDir / "product.lua", productModule(product)) &&
                       writeFile(outDir / "version.rc", versionResource(product, role, fileName)) &&
                       writeFile(outDir / "strings.rc", productStrings(product)) &&
                       writeFile(outDir / "installer.manifest", installerManifest(product, role, arch)) &&
                       writeFile(outDir / "icon.ico", iconBytes.data(), iconBytes.size()) &&
                       writeFile(outDir / "signing.txt", fileDescription(product, role) + "\n" + product.url + "\n");
  return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "check") {
    Product product;
    return load(args[1], product) ? 0 : 1;
  }
  if (!args.empty() && args[0] == "generate") return generate(std::vector<std::string>(args.begin() + 1, args.end()));
  return usage();
}
