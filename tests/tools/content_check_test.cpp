// The content folder's checks over a copy of the template with one fault
// each: every problem is found, told at its file and line, and nothing is
// said of a folder without faults.
#include "tools/contentcheck/content_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace kavri::content {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// `text` with its first `from` replaced by `to` (the case fails when there is
// none: the template changed under the test).
std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// The line (from 1) where `needle` first stands in the file.
int lineOf(const fs::path& path, const std::string& needle) {
  const std::string text = readText(path);
  const size_t at = text.find(needle);
  EXPECT_NE(at, std::string::npos) << needle;
  return 1 + int(std::count(text.begin(), text.begin() + std::ptrdiff_t(std::min(at, text.size())), '\n'));
}

class ContentCheck : public ::testing::Test {
 public:
  // A copy of the template with the program its product file names.
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("content-check-test-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::copy(KAVRI_TEMPLATE_DIR, root_, fs::copy_options::recursive);
    writeText(root_ / "program" / "Kavri.exe", "MZ");
  }
  void TearDown() override { fs::remove_all(root_); }

  // Replaces `from` by `to` in the content's `file`; answers the line the
  // change is on.
  int edit(const std::string& file, const std::string& from, const std::string& to) {
    const fs::path path = root_ / file;
    writeText(path, replaced(readText(path), from, to));
    return lineOf(path, to.empty() ? std::string() : to.substr(0, to.find('\n')));
  }

 protected:
  std::vector<std::string> problems() const {
    std::vector<std::string> out;
    for (const Problem& p : checkContentFolder(root_)) out.push_back(describe(p));
    return out;
  }

  fs::path root_;
};

TEST_F(ContentCheck, TheTemplateWithItsProgramHasNoProblem) { EXPECT_EQ(problems(), std::vector<std::string>{}); }

// Each broken folder: what is changed, and the problem expected, as its
// "file:line: " and a part of the text.
TEST_F(ContentCheck, EachFaultIsToldAtItsFileAndLine) {
  struct Case {
    const char* what;
    std::function<int(ContentCheck&)> breakIt;   // answers the line of the fault
    std::string file;
    std::string says;
  };
  const std::vector<Case> cases = {
      {"a script that does not compile",
       [](ContentCheck& t) { return t.edit("UI.lua", "local shared = require \"shared\"", "local shared = = 1"); },
       "UI.lua", "unexpected symbol near '='"},
      {"an uninstaller script that does not compile",
       [](ContentCheck& t) { return t.edit("uninstall/LG.lua", "local shared = require \"shared\"", "local function (x"); },
       "uninstall/LG.lua", "expected"},
      {"a layout with a value not quoted",
       [](ContentCheck& t) {
         return t.edit("frame/main.xml", "<TitleBar id=\"1\" height=\"30\"", "<TitleBar id=\"1\" height=30");
       },
       "frame/main.xml", "the layout does not parse"},
      {"an unknown element",
       [](ContentCheck& t) {
         return t.edit("frame/main.xml", "<TitleBar id=\"1\"", "<Titlebar id=\"1\"");
       },
       "frame/main.xml", "unknown element <Titlebar>"},
      {"an unknown attribute in the uninstaller's layout",
       [](ContentCheck& t) {
         return t.edit("uninstall/frame/main.xml", "<TitleBar id=\"1\"", "<TitleBar ID=\"1\"");
       },
       "uninstall/frame/main.xml", "unknown attribute \"ID\" on <TitleBar>"},
      {"an entry name in another case",
       [](ContentCheck& t) {
         return t.edit("LG.lua", "local log = {", "local readmeName = \"README.TXT\"\nlocal log = {");
       },
       "LG.lua", "\"README.TXT\" names the payload entry \"readme.txt\" in another case"},
      {"an entry below a folder in another case",
       [](ContentCheck& t) {
         return t.edit("UI.lua", "local shared = require \"shared\"",
                       "local guide = 'Docs\\\\guide.txt' local shared = require \"shared\"");
       },
       "UI.lua", "\"Docs\\guide.txt\" names the payload entry \"docs/guide.txt\" in another case"},
      {"the product's program in another case",
       [](ContentCheck& t) { return t.edit("product.json", "\"program\": \"Kavri.exe\"", "\"program\": \"kavri.exe\""); },
       "product.json", "program: \"kavri.exe\" is named \"Kavri.exe\" in the payload"},
      {"the product's readme missing from the payload",
       [](ContentCheck& t) { return t.edit("product.json", "\"readme\": \"readme.txt\"", "\"readme\": \"manual.txt\""); },
       "product.json", "readme: \"manual.txt\" is not in the payload"},
      {"an incomplete product file",
       [](ContentCheck& t) { return t.edit("product.json", "\"version\": \"1.0.0\",", "\"version\": \"\","); },
       "product.json", "version:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    const int line = c.breakIt(*this);
    const std::vector<std::string> found = problems();
    ASSERT_EQ(found.size(), 1u) << ::testing::PrintToString(found);
    const std::string where = c.file + ":" + std::to_string(line) + ": ";
    EXPECT_EQ(found[0].compare(0, where.size(), where), 0) << found[0] << "\nexpected at " << where;
    EXPECT_NE(found[0].find(c.says), std::string::npos) << found[0];
    EXPECT_NE(found[0].find(": ", where.size()), std::string::npos) << "no remedy: " << found[0];
  }
}

// Literals in comments and long strings are no names; a name the payload
// holds exactly, or that it does not hold at all, is no problem.
TEST(ContentCheckNames, OnlyLiteralsNamingAnEntryInAnotherCaseCount) {
  const std::vector<std::string> entries = {"Tally.exe", "docs/guide.txt"};
  struct Case {
    const char* script;
    int line;   // of the one problem, or 0 for none
  } const cases[] = {
      {"local a = 'Tally.exe'", 0},
      {"local a = \"docs\\\\guide.txt\"", 0},
      {"local a = 'somewhere.txt'", 0},
      {"-- 'tally.exe' in a comment\n--[[ \"TALLY.EXE\" ]]\nlocal s = [==[ 'tally.exe' ]==]", 0},
      {"\n\nlocal a = 'tally.exe'", 3},
      {"local a = 'it\\'s' local b = \"x\"\nlocal c = 'DOCS/GUIDE.TXT'", 2},
      {"local a = [[\n\n]] local b = 'Tally.EXE'", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    const std::vector<Problem> found = checkEntryNames("LG.lua", c.script, entries);
    if (c.line == 0) {
      EXPECT_TRUE(found.empty()) << describe(found.front());
    } else {
      ASSERT_EQ(found.size(), 1u);
      EXPECT_EQ(found[0].line, c.line);
    }
  }
}

}  // namespace
}  // namespace kavri::content
