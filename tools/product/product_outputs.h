// What the build makes of a product file for one installer executable: the
// scripts' product module, the version resource and the manifest. Each is
// text the build writes into the installer's build folder.
#pragma once

#include <string>

#include "tools/product/product_file.h"

namespace kavri::product {

// The processor the executable is built for, as the manifest names it.
enum class Architecture { X86, Amd64, Any };

// Which of the product's executables: the setup or its uninstaller.
enum class Role { Setup, Uninstaller };

// "x86", "amd64", "*"; and back (false for any other text).
const char* architectureName(Architecture architecture);
bool parseArchitecture(const std::string& text, Architecture& architecture);

// What Windows shows as the file's description (its properties, the
// elevation prompt): the product file's description for the setup, "<name>
// Uninstaller" for the uninstaller.
std::string fileDescription(const Product& product, Role role);

// product.lua: `return { name = ..., ... }`, every text quoted for Lua.
std::string productModule(const Product& product);

// The VERSIONINFO resource (resource compiler text, UTF-8) of the file named
// `fileName` ("Setup.exe").
std::string versionResource(const Product& product, Role role, const std::string& fileName);

// `text` as a resource compiler string: quotes doubled, backslashes escaped,
// control characters left out (the checks let none through). The files are
// read as UTF-8 (the code page pragma at their top).
std::string rcQuoted(const std::string& text);

// The string table (resource compiler text, UTF-8) the host reads the
// product's name and id from (support/product_strings.h).
std::string productStrings(const Product& product);

// The application manifest: identity, execution level from the install
// mode, common controls 6, the supported systems, the windows settings.
std::string installerManifest(const Product& product, Role role, Architecture architecture);

}  // namespace kavri::product
