// scriptstrip: a Lua script as an installer ships it.
//
//   scriptstrip IN OUT   writes IN to OUT without its comments and needless
//                        blanks, every token on its line, when that compiles
//                        to the same code; otherwise IN as it is
//
// Exit code 1 when IN cannot be read or OUT cannot be written.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "tools/scriptstrip/script_strip.h"
#include "tools/whole_file.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: scriptstrip IN OUT\n");
    return 1;
  }
  std::vector<uint8_t> in;
  if (!kavri::tools::readWholeFile(argv[1], in)) {
    std::fprintf(stderr, "scriptstrip: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::string out = kavri::tools::shippedLuaSource(
      std::string_view(reinterpret_cast<const char*>(in.data()), in.size()));
  if (!kavri::tools::writeWholeFile(argv[2], out.data(), out.size())) {
    std::fprintf(stderr, "scriptstrip: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
