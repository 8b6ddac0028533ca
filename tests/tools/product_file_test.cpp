// The product file: what is refused (with its field, line and remedy), the
// defaults, and what the build makes of it (the Lua module read back by Lua,
// the manifest read back by an XML parser, the version resource's text).
#include "tools/product/product_file.h"

#include <gtest/gtest.h>

#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
#include <rapidxml.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include <unistd.h>

#include "tools/product/product_outputs.h"

namespace kavri::product {
namespace {

namespace fs = std::filesystem;

// A content folder with an icon, a file that only looks like one by its
// name, and a folder above it that the icon must not be taken from.
class ContentFolder {
 public:
  ContentFolder() {
    root_ = fs::temp_directory_path() / ("product-file-test-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "content" / "art");
    write(root_ / "content" / "art" / "tally.ico", std::string("\0\0\1\0\1\0", 6) + std::string(16, 'x'));
    write(root_ / "content" / "fake.ico", "not an icon at all");
    write(root_ / "outside.ico", std::string("\0\0\1\0\1\0", 6));
  }
  ~ContentFolder() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  fs::path path() const { return root_ / "content"; }

 private:
  static void write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  }
  fs::path root_;
};

const char* const kMinimal = R"({ "name": "Tally", "version": "2.1.0", "publisher": "Northwind Tools" })";

// The minimal file's members with those of `extra` (JSON text) added or put
// in place of its own, and the member `drop` left out.
std::string productWith(const std::string& extra, const std::string& drop = "") {
  std::string text = "{\n";
  const std::map<std::string, std::string> base = {
      {"name", "\"Tally\""}, {"version", "\"2.1.0\""}, {"publisher", "\"Northwind Tools\""}};
  for (const auto& [key, value] : base)
    if (key != drop && extra.find("\"" + key + "\":") == std::string::npos) text += "  \"" + key + "\": " + value + ",\n";
  return text + extra + "\n}\n";
}

struct Refusal {
  const char* what;
  std::string text;
  const char* field;     // the field the first problem names
  const char* message;   // a piece of its text
};

TEST(ProductFile, RefusesWhatCannotBeBuiltNamingTheFieldAndWhatToDo) {
  const ContentFolder content;
  const Refusal cases[] = {
      {"no name", productWith("", "name"), "name", "is missing: add \"name\""},
      {"name a number", productWith("\"name\": 5"), "name", "must be a text in quotes"},
      {"two-part version", productWith("\"version\": \"1.2\""), "version", "is not a version"},
      {"five-part version", productWith("\"version\": \"1.2.3.4.5\""), "version", "is not a version"},
      {"part above 65535", productWith("\"version\": \"1.65536.0\""), "version", "is not a version"},
      {"leading zero", productWith("\"version\": \"1.02.0\""), "version", "no leading zeros"},
      {"letters in version", productWith("\"version\": \"1.2.0-beta\""), "version", "is not a version"},
      {"empty part", productWith("\"version\": \"1..2\""), "version", "is not a version"},
      {"trailing dot", productWith("\"version\": \"1.2.3.\""), "version", "is not a version"},
      {"version a number", productWith("\"version\": 2.1"), "version", "must be a text in quotes"},
      {"empty publisher", productWith("\"publisher\": \"\""), "publisher", "is empty"},
      {"slash in name", productWith("\"name\": \"Tally/Pro\""), "name", "holds '/'"},
      {"name ends with a dot", productWith("\"name\": \"Tally.\""), "name", "ends with a dot"},
      {"device name", productWith("\"name\": \"Con\""), "name", "name of a device"},
      {"line break", productWith("\"name\": \"Tally\\nPro\""), "name", "on one line"},
      {"long name", productWith("\"name\": \"" + std::string(65, 'T') + "\""), "name", "longer than 64"},
      {"mode in other case", productWith("\"installMode\": \"permachine\""), "installMode", "not an install mode"},
      {"mode unknown", productWith("\"installMode\": \"everyone\""), "installMode", "\"perUser\""},
      {"field in other case", productWith("\"Version\": \"2.1.0\"", "version"), "Version", "did you mean \"version\""},
      {"unknown field", productWith("\"vendor\": \"Northwind\""), "vendor", "the fields are name, version"},
      {"address without scheme", productWith("\"url\": \"example.com/tally\""), "url", "not a web address"},
      {"address with space", productWith("\"url\": \"https://example.com/a b\""), "url", "not a web address"},
      {"id with space", productWith("\"id\": \"Tally App\""), "id", "is not an id"},
      {"id from a dot", productWith("\"id\": \".Tally\""), "id", "is not an id"},
      {"no id from the name", productWith("\"name\": \"\xe8\xae\xb0\xe8\xb4\xa6\""), "id", "add an id"},
      {"icon above the folder", productWith("\"icon\": \"../outside.ico\""), "icon", "no \"..\""},
      {"icon by drive", productWith("\"icon\": \"C:/art/tally.ico\""), "icon", "no \"..\", drive"},
      {"icon missing", productWith("\"icon\": \"art/none.ico\""), "icon", "is not in the content folder"},
      {"icon not an icon", productWith("\"icon\": \"fake.ico\""), "icon", "is not a Windows icon"},
      {"icon of another type", productWith("\"icon\": \"art/tally.png\""), "icon", "name a .ico file"},
      {"program by absolute path", productWith("\"program\": \"/Tally.exe\""), "program", "an entry of the payload"},
      {"readme above", productWith("\"readme\": \"docs/../../readme.txt\""), "readme", "an entry of the payload"},
      {"not JSON", "{ \"name\": \"Tally\",\n  \"version\" \"2.1.0\" }", "", "not valid JSON"},
      {"an array", "[ \"Tally\" ]", "", "one JSON object"},
      {"empty file", "", "", "not valid JSON"},
  };
  for (const Refusal& c : cases) {
    Product product;
    product.name = "untouched";
    std::vector<Problem> problems;
    EXPECT_FALSE(readProduct(c.text, content.path(), product, problems)) << c.what;
    ASSERT_FALSE(problems.empty()) << c.what;
    EXPECT_EQ(problems[0].field, c.field) << c.what;
    EXPECT_NE(problems[0].text.find(c.message), std::string::npos) << c.what << ": " << problems[0].text;
    EXPECT_EQ(product.name, "untouched") << c.what << ": a refused file fills in nothing";
  }
}

TEST(ProductFile, ProblemsNameTheLineTheFieldIsWrittenOnAndAllAreReported) {
  const ContentFolder content;
  const std::string text =
      "{\n"
      "  \"name\": \"Tally\",\n"
      "  \"version\": \"2.1\",\n"
      "  publisher: \"Northwind Tools\",\n"
      "  \"installMode\": \"perUsers\",\n"
      "  \"url\": \"https://example.com\",\n"
      "  \"icon\": \"gone.ico\"\n"
      "}\n";
  Product product;
  std::vector<Problem> problems;
  ASSERT_FALSE(readProduct(text, content.path(), product, problems));
  std::map<std::string, int> lines;
  for (const Problem& p : problems) lines[p.field] = p.line;
  EXPECT_EQ(lines, (std::map<std::string, int>{{"version", 3}, {"installMode", 5}, {"icon", 7}}));
  EXPECT_EQ(describe(problems[0], "content/product.json").rfind("content/product.json:3: version: \"2.1\" is not", 0), 0u)
      << describe(problems[0], "content/product.json");

  // A missing field is written nowhere; a parse error names its line.
  problems.clear();
  ASSERT_FALSE(readProduct(productWith("", "publisher"), content.path(), product, problems));
  EXPECT_EQ(describe(problems[0], "p.json"), "p.json: publisher: is missing: add \"publisher\": \"Northwind Tools\"");
  problems.clear();
  ASSERT_FALSE(readProduct("{\n\"name\": \"Tally\",\n\"version\": 2.1.0\n}", content.path(), product, problems));
  EXPECT_EQ(problems[0].line, 3);
}

TEST(ProductFile, FillsTheDefaultsOfWhatIsLeftOut) {
  const ContentFolder content;
  Product product;
  std::vector<Problem> problems;
  ASSERT_TRUE(readProduct(R"({ "name": "Tally 2 -- Pro", "version": "2.1.0", "publisher": "Northwind Tools", })",
                          content.path(), product, problems));
  EXPECT_EQ(product.versionNumbers, (std::array<uint16_t, 4>{2, 1, 0, 0}));
  EXPECT_EQ(product.copyright, "Copyright (C) Northwind Tools");
  EXPECT_EQ(product.description, "Tally 2 -- Pro Setup");
  EXPECT_EQ(product.installMode, InstallMode::PerMachine);
  EXPECT_EQ(product.id, "Tally.2.Pro");
  EXPECT_EQ(product.url, "");
  EXPECT_EQ(product.icon, "");
  EXPECT_EQ(product.program, "");

  // With the byte-order mark an editor on Windows may write first.
  ASSERT_TRUE(readProduct("\xEF\xBB\xBF" + std::string(kMinimal), content.path(), product, problems));
  EXPECT_EQ(product.name, "Tally");

  ASSERT_TRUE(readProduct(R"({ "name": "Tally", "version": "65535.0.65535.7", "publisher": "N",
      "copyright": "(C) N", "description": "Counts things", "url": "https://example.com/tally",
      "installMode": "choose", "icon": "art/tally.ico", "id": "Northwind.Tally_2-x",
      "program": "bin/Tally.exe", "readme": "docs\\readme.txt" })",
                          content.path(), product, problems))
      << (problems.empty() ? "" : problems[0].text);
  EXPECT_EQ(product.versionNumbers, (std::array<uint16_t, 4>{65535, 0, 65535, 7}));
  EXPECT_EQ(product.installMode, InstallMode::Choose);
  EXPECT_EQ(product.id, "Northwind.Tally_2-x");
  EXPECT_EQ(product.icon, "art/tally.ico");
  EXPECT_EQ(product.readme, "docs\\readme.txt");
}

// A product with every text field set, texts that need quoting included.
Product awkwardProduct() {
  Product p;
  p.name = "Tally \xc3\xa9 [[x]] %s";
  p.version = "2.1.0.7";
  p.versionNumbers = {2, 1, 0, 7};
  p.publisher = "North\\wind \"Tools\" & <Sons>";
  p.copyright = "\xc2\xa9 2024 ]] '\"";
  p.description = "Counts & <adds>";
  p.url = "https://example.com/?a=1&b=2";
  p.installMode = InstallMode::PerUser;
  p.id = "Northwind.Tally";
  p.program = "Tally.exe";
  return p;
}

TEST(ProductOutputs, TheLuaModuleReadsBackExactlyInLua) {
  const Product p = awkwardProduct();
  std::unique_ptr<lua_State, void (*)(lua_State*)> L(luaL_newstate(), lua_close);
  luaL_openlibs(L.get());
  const std::string module = productModule(p);
  ASSERT_EQ(luaL_loadstring(L.get(), module.c_str()), LUA_OK) << lua_tostring(L.get(), -1) << "\n" << module;
  ASSERT_EQ(lua_pcall(L.get(), 0, 1, 0), LUA_OK) << lua_tostring(L.get(), -1);
  ASSERT_TRUE(lua_istable(L.get(), -1));
  const std::map<std::string, std::string> expected = {
      {"name", p.name},       {"version", p.version},         {"publisher", p.publisher},
      {"copyright", p.copyright}, {"description", p.description}, {"url", p.url},
      {"installMode", "perUser"}, {"id", p.id},                {"program", p.program}};
  std::map<std::string, std::string> actual;
  lua_pushnil(L.get());
  while (lua_next(L.get(), -2)) {
    actual[lua_tostring(L.get(), -2)] = lua_isstring(L.get(), -1) ? lua_tostring(L.get(), -1) : "(not a string)";
    lua_pop(L.get(), 1);
  }
  EXPECT_EQ(actual, expected) << "readme, left out, is nil";
}

TEST(ProductOutputs, TheVersionResourceCarriesTheVersionAndQuotedTexts) {
  const Product p = awkwardProduct();
  const std::string setup = versionResource(p, Role::Setup, "TallySetup.exe");
  EXPECT_NE(setup.find("#pragma code_page(65001)"), std::string::npos);
  EXPECT_NE(setup.find("FILEVERSION 2,1,0,7\n"), std::string::npos);
  EXPECT_NE(setup.find("PRODUCTVERSION 2,1,0,7\n"), std::string::npos);
  EXPECT_NE(setup.find("VALUE \"CompanyName\", \"North\\\\wind \"\"Tools\"\" & <Sons>\"\n"), std::string::npos) << setup;
  EXPECT_NE(setup.find("VALUE \"FileDescription\", \"Counts & <adds>\"\n"), std::string::npos);
  EXPECT_NE(setup.find("VALUE \"InternalName\", \"TallySetup\"\n"), std::string::npos);
  EXPECT_NE(setup.find("VALUE \"OriginalFilename\", \"TallySetup.exe\"\n"), std::string::npos);
  EXPECT_NE(setup.find("VALUE \"ProductVersion\", \"2.1.0.7\"\n"), std::string::npos);
  const std::string uninstaller = versionResource(p, Role::Uninstaller, "Uninstall.exe");
  EXPECT_NE(uninstaller.find("VALUE \"FileDescription\", \"" + p.name + " Uninstaller\"\n"), std::string::npos);
}

// The attribute `name` of the first element named `element` anywhere below `node`.
std::string attributeOf(rapidxml::xml_node<>* node, const std::string& element, const char* name) {
  for (rapidxml::xml_node<>* child = node->first_node(); child; child = child->next_sibling()) {
    if (child->type() != rapidxml::node_element) continue;
    if (element == child->name()) {
      rapidxml::xml_attribute<>* a = child->first_attribute(name);
      return a ? a->value() : "(none)";
    }
    const std::string below = attributeOf(child, element, name);
    if (!below.empty()) return below;
  }
  return "";
}

TEST(ProductOutputs, TheManifestNamesTheArchitectureTwiceAndTheLevelByMode) {
  struct Case {
    Architecture arch;
    InstallMode mode;
    Role role;
    const char* archName;
    const char* level;
    const char* identity;
  };
  const Case cases[] = {
      {Architecture::X86, InstallMode::PerMachine, Role::Setup, "x86", "requireAdministrator", "Northwind.Tally.Setup"},
      {Architecture::Amd64, InstallMode::PerMachine, Role::Uninstaller, "amd64", "requireAdministrator",
       "Northwind.Tally.Uninstall"},
      {Architecture::Amd64, InstallMode::PerUser, Role::Setup, "amd64", "asInvoker", "Northwind.Tally.Setup"},
      {Architecture::X86, InstallMode::Choose, Role::Setup, "x86", "asInvoker", "Northwind.Tally.Setup"},
      {Architecture::Any, InstallMode::PerUser, Role::Uninstaller, "*", "asInvoker", "Northwind.Tally.Uninstall"},
  };
  for (const Case& c : cases) {
    Product p = awkwardProduct();
    p.installMode = c.mode;
    std::string text = installerManifest(p, c.role, c.arch);
    rapidxml::xml_document<> doc;
    ASSERT_NO_THROW(doc.parse<0>(&text[0])) << text;
    rapidxml::xml_node<>* assembly = doc.first_node("assembly");
    ASSERT_TRUE(assembly);
    rapidxml::xml_node<>* identity = assembly->first_node("assemblyIdentity");
    ASSERT_TRUE(identity);
    EXPECT_STREQ(identity->first_attribute("processorArchitecture")->value(), c.archName);
    EXPECT_STREQ(identity->first_attribute("name")->value(), c.identity);
    EXPECT_STREQ(identity->first_attribute("version")->value(), "2.1.0.7");
    rapidxml::xml_node<>* dependency = assembly->first_node("dependency");
    ASSERT_TRUE(dependency);
    EXPECT_EQ(attributeOf(dependency, "assemblyIdentity", "processorArchitecture"), c.archName) << c.archName;
    EXPECT_EQ(attributeOf(dependency, "assemblyIdentity", "name"), "Microsoft.Windows.Common-Controls");
    EXPECT_EQ(attributeOf(assembly, "requestedExecutionLevel", "level"), c.level);
    EXPECT_EQ(attributeOf(assembly, "requestedExecutionLevel", "uiAccess"), "false");

    std::set<std::string> systems;
    rapidxml::xml_node<>* application = assembly->first_node("compatibility")->first_node("application");
    for (auto* os = application->first_node("supportedOS"); os; os = os->next_sibling("supportedOS"))
      systems.insert(os->first_attribute("Id")->value());
    EXPECT_EQ(systems, (std::set<std::string>{"{e2011457-1546-43c5-a5fe-008deee3d3f0}",
                                              "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                                              "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                                              "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                                              "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}));
    rapidxml::xml_node<>* settings = assembly->first_node("application")->first_node("windowsSettings");
    ASSERT_TRUE(settings);
    rapidxml::xml_node<>* longPaths = settings->first_node("longPathAware");
    ASSERT_TRUE(longPaths);
    EXPECT_STREQ(longPaths->value(), "true");
    EXPECT_STREQ(longPaths->first_attribute("xmlns")->value(), "http://schemas.microsoft.com/SMI/2016/WindowsSettings");
    // Display scaling: each setting in the namespace its system reads, the
    // newer one naming per-monitor v2 first, the older one "true/pm".
    const struct {
      const char* element;
      const char* value;
      const char* ns;
    } dpi[] = {{"dpiAware", "true/pm", "http://schemas.microsoft.com/SMI/2005/WindowsSettings"},
               {"dpiAwareness", "PerMonitorV2, PerMonitor", "http://schemas.microsoft.com/SMI/2016/WindowsSettings"}};
    for (const auto& d : dpi) {
      SCOPED_TRACE(d.element);
      rapidxml::xml_node<>* node = settings->first_node(d.element);
      ASSERT_TRUE(node);
      EXPECT_STREQ(node->value(), d.value);
      EXPECT_STREQ(node->first_attribute("xmlns")->value(), d.ns);
    }
  }
  // The description, escaped for XML, reads back as it was.
  std::string text = installerManifest(awkwardProduct(), Role::Setup, Architecture::X86);
  rapidxml::xml_document<> doc;
  doc.parse<0>(&text[0]);
  EXPECT_STREQ(doc.first_node("assembly")->first_node("description")->value(), "Counts & <adds>");
}

}  // namespace
}  // namespace kavri::product
