// The host's registry helpers (script/registry.lua) as the installer build
// joins them onto the first line of UI.lua: one line, so a script appended
// after it keeps its own line numbers.
#pragma once

#include <string>

namespace kavri::test {

// The prelude with its line breaks turned into spaces.
std::string registryPrelude();

}  // namespace kavri::test
