// Reads script/registry.lua and joins it onto one line.
#include "tests/helpers/registry_prelude.h"

#include "tests/helpers/file_tree.h"
#include "tests/helpers/win_test_util.h"

namespace kavri::test {

std::string registryPrelude() {
  std::string prelude = readFileBytes(windowsPath(KAVRI_REGISTRY_PRELUDE));
  for (char& c : prelude)
    if (c == '\n' || c == '\r') c = ' ';
  return prelude;
}

}  // namespace kavri::test
