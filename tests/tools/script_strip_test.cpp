// The script stripper: what it leaves out, what it must keep byte for byte,
// and that a shipped script fails on the lines its author wrote.
#include "tools/scriptstrip/script_strip.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"

namespace {

using kavri::tools::shippedLuaSource;
using kavri::tools::stripLuaComments;

struct StripCase {
  const char* what;
  const char* source;
  const char* stripped;
};

const StripCase kCases[] = {
    {"indentation and trailing blanks", "  local x = 1  \n\tif x then\n", "local x=1\nif x then\n"},
    {"a line comment", "x = 1 -- one\n-- whole line\ny = 2", "x=1\n\ny=2"},
    {"a long comment keeps its lines", "a = 1 --[[ one\ntwo\nthree ]] b = 2", "a=1\n\nb=2"},
    {"a long comment on one line parts two names", "local--[[ ]]x", "local x"},
    {"a long comment of a level", "--[==[ ]] still ]=] inside ]==]x = 1", "x=1"},
    {"'--[' without a long bracket is a line comment", "--[ = not long\nx = 1", "\nx=1"},
    {"quoted strings byte for byte", "s = \"a  -- b\" .. 'c\\'  d'", "s=\"a  -- b\"..'c\\'  d'"},
    {"an escaped line break inside a string", "s = \"a\\\n  b\"\n", "s=\"a\\\n  b\"\n"},
    {"long strings byte for byte", "s = [[ x -- y\n  z ]] .. [=[ ]] ]=]", "s=[[ x -- y\n  z ]]..[=[ ]] ]=]"},
    {"names, keywords and numbers stay apart", "return 1 .. x and not y", "return 1 .. x and not y"},
    {"operators that would join", "a = b - -c; d = e == f; t[ [[k]] ] = 1", "a=b- -c;d=e==f;t[ [[k]]]=1"},
    {"a label's marks", ": :x: :", ": :x: :"},
    {"every kind of line break counted once", "a = 1\r\nb = 2\rc = 3\n\rd = 4", "a=1\nb=2\nc=3\nd=4"},
};

TEST(ScriptStrip, LeavesOutCommentsAndBlanksOnly) {
  for (const StripCase& c : kCases) {
    const auto out = stripLuaComments(c.source);
    ASSERT_TRUE(out.has_value()) << c.what;
    EXPECT_EQ(*out, c.stripped) << c.what;
  }
}

TEST(ScriptStrip, RefusesTextItCannotSplitIntoTokens) {
  for (const char* broken : {"s = \"no end", "s = 'no end\n'", "s = [[ no end", "--[[ no end", "s = \"a\\"}) {
    EXPECT_FALSE(stripLuaComments(broken).has_value()) << broken;
    bool stripped = true;
    EXPECT_EQ(shippedLuaSource(broken, &stripped), broken);
    EXPECT_FALSE(stripped) << broken;
  }
}

// The error message of running `source` (named "=script", as the check names it).
std::string errorOf(const std::string& source) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  std::string message = "ran to its end";
  if (luaL_loadbuffer(L, source.data(), source.size(), "=script") != LUA_OK || lua_pcall(L, 0, 0, 0) != LUA_OK)
    message = lua_tostring(L, -1);
  lua_close(L);
  return message;
}

TEST(ScriptStrip, ShippedScriptFailsOnTheAuthorsLine) {
  const std::string source =
      "--[[ a header\n   of three lines ]]\n"
      "local function f(t) -- a table\n"
      "  return t.missing.field   -- line 4\n"
      "end\n"
      "f({})\n";
  bool stripped = false;
  const std::string shipped = shippedLuaSource(source, &stripped);
  ASSERT_TRUE(stripped);
  EXPECT_LT(shipped.size(), source.size());
  EXPECT_EQ(errorOf(shipped), errorOf(source));
  EXPECT_NE(errorOf(shipped).find("script:4:"), std::string::npos) << errorOf(shipped);
}

TEST(ScriptStrip, SourceThatDoesNotCompileIsShippedAsItIs) {
  const std::string source = "-- a comment\nlocal x = = 1\n";
  bool stripped = true;
  EXPECT_EQ(shippedLuaSource(source, &stripped), source);
  EXPECT_FALSE(stripped);
}

// Every script of the installer template strips to the same code and gets
// smaller: a fault in the stripper that changes a token or a line shows here
// as a script shipped as it is.
TEST(ScriptStrip, TemplateScriptsStrip) {
  int scripts = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(KAVRI_TEMPLATE_DIR)) {
    if (entry.path().extension() != ".lua") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
    bool stripped = false;
    const std::string shipped = shippedLuaSource(source, &stripped);
    EXPECT_TRUE(stripped) << entry.path();
    EXPECT_LT(shipped.size(), source.size()) << entry.path();
    ++scripts;
  }
  EXPECT_GT(scripts, 0);
}

}  // namespace
