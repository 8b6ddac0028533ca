// The product file ("product.json" in a content folder): what an installer
// installs, named once. It is read and checked here; product_outputs.h turns
// it into the scripts' product module, the version resource and the manifest.
// Window-free: the build runs it natively.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kavri::product {

// Who the installer installs for: every user (administrator rights, the
// machine's folders and registry), the user who runs it (no elevation, the
// user's own folders and registry), or the user's choice on the folder page.
enum class InstallMode { PerMachine, PerUser, Choose };

// A product file as read, with every default filled in. Text is UTF-8.
struct Product {
  std::string name;          // the product's name: pages, folders, registry keys
  std::string version;       // as written: "a.b.c" or "a.b.c.d"
  std::array<uint16_t, 4> versionNumbers{};   // the same, the fourth 0 when not written
  std::string publisher;
  std::string copyright;     // default "Copyright (C) <publisher>"
  std::string description;   // the setup file's description; default "<name> Setup"
  std::string url;           // empty when none
  InstallMode installMode = InstallMode::PerMachine;
  std::string icon;          // relative to the content folder; empty when none
  std::string id;            // letters, digits, '.', '-', '_'; default from the name
  std::string program;       // payload entry the shortcuts start; empty when none
  std::string readme;        // payload entry the finish page offers; empty when none
};

// One thing wrong with a product file: the field it concerns (empty for the
// file as a whole), the line it is written on (0 when it is not written, or
// not found), and what is wrong and what to do.
struct Problem {
  std::string field;
  int line = 0;
  std::string text;
};

// Reads the product file's bytes. `contentFolder` is where the icon it names
// must lie. Returns true when the file is usable; otherwise `problems` lists
// everything wrong, not only the first.
bool readProduct(const std::string& text, const std::filesystem::path& contentFolder, Product& product,
                 std::vector<Problem>& problems);

// Reads the file at `path` (its folder is the content folder).
bool readProductFile(const std::filesystem::path& path, Product& product, std::vector<Problem>& problems);

// "<file>:<line>: <field>: <text>", without the parts that are unknown.
std::string describe(const Problem& problem, const std::string& fileName);

// "perMachine", "perUser", "choose": the names the file and the scripts use.
const char* installModeName(InstallMode mode);

}  // namespace kavri::product
