// Lua scripts without their comments and needless blanks, checked against
// the compiler: what is shipped compiles to the code the author wrote.
#include "tools/scriptstrip/script_strip.h"

#include <cstring>

#include "lauxlib.h"
#include "lua.h"

namespace kavri::tools {
namespace {

bool isLineBreak(char c) { return c == '\n' || c == '\r'; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// Letters, digits, '_' and '.' run together into one name or number; bytes
// over 127 are kept apart too, to be safe.
bool isWordByte(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == '.' ||
         u >= 0x80;
}

// Whether two tokens that end in `before` and begin with `after` need a blank
// between them to stay two tokens: names, keywords and numbers, and the
// operators that would join ("= =" into "==", "- -" into a comment, "[ [" or
// "[ =" into a long bracket, ": :" into a label's mark).
bool needsBlank(char before, char after) {
  if (isWordByte(before) && isWordByte(after)) return true;
  if (after == '=') return std::strchr("=~<>[", before) != nullptr;
  return (before == '-' && after == '-') || (before == '[' && after == '[') || (before == ':' && after == ':');
}

// The line break at `pos` ("\n", "\r", "\r\n" or "\n\r", as Lua counts them):
// its length.
size_t lineBreakLength(std::string_view s, size_t pos) {
  if (pos + 1 < s.size() && isLineBreak(s[pos + 1]) && s[pos + 1] != s[pos]) return 2;
  return 1;
}

// At a '[': the number of '=' of a long bracket "[==[" opening there, or -1
// when none opens.
int longBracketLevel(std::string_view s, size_t pos) {
  size_t i = pos + 1;
  while (i < s.size() && s[i] == '=') ++i;
  if (i < s.size() && s[i] == '[') return static_cast<int>(i - pos - 1);
  return -1;
}

// The end (one past the closing bracket) of the long bracket of `level`
// whose body starts at `body`; npos when it is not closed.
size_t longBracketEnd(std::string_view s, size_t body, int level) {
  const std::string close = "]" + std::string(static_cast<size_t>(level), '=') + "]";
  const size_t at = s.find(close, body);
  return at == std::string_view::npos ? at : at + close.size();
}

// The end of the quoted string opening at `pos` (one past its closing
// quote); npos when a line or the text ends inside it.
size_t quotedStringEnd(std::string_view s, size_t pos) {
  const char quote = s[pos];
  for (size_t i = pos + 1; i < s.size(); ++i) {
    if (s[i] == '\\') {
      if (i + 1 < s.size() && isLineBreak(s[i + 1])) i += lineBreakLength(s, i + 1);
      else ++i;   // the escaped byte (the digits of "\ddd" and "\x" follow as plain bytes)
    } else if (s[i] == quote) {
      return i + 1;
    } else if (isLineBreak(s[i])) {
      return std::string_view::npos;
    }
  }
  return std::string_view::npos;
}

int appendChunk(lua_State*, const void* data, size_t size, void* out) {
  static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
  return 0;
}

// The compiled form of `source` (every function with its constants and the
// line of each instruction), or empty when it does not compile.
std::string compiledForm(lua_State* L, std::string_view source) {
  std::string dump;
  if (luaL_loadbuffer(L, source.data(), source.size(), "=script") == LUA_OK) {
    lua_dump(L, appendChunk, &dump);
  }
  lua_settop(L, 0);
  return dump;
}

}  // namespace

std::optional<std::string> stripLuaComments(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  bool blank = false;   // blanks (or a comment) since the last token on this line
  auto token = [&](std::string_view text) {
    if (blank && !out.empty() && out.back() != '\n' && needsBlank(out.back(), text.front())) out += ' ';
    blank = false;
    out.append(text);
  };
  auto lineBreaks = [&](std::string_view text) {   // one "\n" per line break in `text`
    for (size_t i = 0; i < text.size(); ++i)
      if (isLineBreak(text[i])) {
        out += '\n';
        i += lineBreakLength(text, i) - 1;
      }
  };
  size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (isLineBreak(c)) {
      out += '\n';
      blank = false;
      i += lineBreakLength(s, i);
    } else if (isBlank(c)) {
      blank = true;
      ++i;
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      const size_t open = i + 2;
      const int level = open < s.size() && s[open] == '[' ? longBracketLevel(s, open) : -1;
      if (level >= 0) {   // --[[ long comment ]]: its line breaks stay
        const size_t end = longBracketEnd(s, open + static_cast<size_t>(level) + 2, level);
        if (end == std::string_view::npos) return std::nullopt;
        const size_t before = out.size();
        lineBreaks(s.substr(i, end - i));
        blank = out.size() == before;   // on one line it still parts the tokens around it
        i = end;
      } else {            // -- to the end of the line
        while (i < s.size() && !isLineBreak(s[i])) ++i;
      }
    } else if (c == '[' && longBracketLevel(s, i) >= 0) {
      const int level = longBracketLevel(s, i);
      const size_t end = longBracketEnd(s, i + static_cast<size_t>(level) + 2, level);
      if (end == std::string_view::npos) return std::nullopt;
      token(s.substr(i, end - i));
      i = end;
    } else if (c == '"' || c == '\'') {
      const size_t end = quotedStringEnd(s, i);
      if (end == std::string_view::npos) return std::nullopt;
      token(s.substr(i, end - i));
      i = end;
    } else {
      token(s.substr(i, 1));
      ++i;
    }
  }
  return out;
}

std::string shippedLuaSource(std::string_view source, bool* stripped) {
  if (stripped) *stripped = false;
  const std::optional<std::string> candidate = stripLuaComments(source);
  if (!candidate) return std::string(source);
  lua_State* L = luaL_newstate();
  if (!L) return std::string(source);
  const std::string original = compiledForm(L, source);
  const bool same = !original.empty() && original == compiledForm(L, *candidate);
  lua_close(L);
  if (!same) return std::string(source);
  if (stripped) *stripped = true;
  return *candidate;
}

}  // namespace kavri::tools
