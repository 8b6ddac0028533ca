// Shipping a Lua script smaller: its comments and the blanks no token needs
// left out, every token kept on the line it was written on.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kavri::tools {

// The source without comments, indentation, trailing blanks and blanks
// between tokens that stay apart without them; line breaks become "\n" (one
// per line break, so a multi-line comment leaves its lines behind). Strings
// and long strings are copied byte for byte. Nothing when the source cannot
// be split into tokens (an unfinished string, long string or long comment).
std::optional<std::string> stripLuaComments(std::string_view source);

// What the build ships for `source`: the stripped text when it compiles to
// exactly the same code as the source (the same constants, and the same line
// for every instruction, so error messages name the lines the author wrote);
// otherwise the source as it is. `stripped` tells which.
std::string shippedLuaSource(std::string_view source, bool* stripped = nullptr);

}  // namespace kavri::tools
