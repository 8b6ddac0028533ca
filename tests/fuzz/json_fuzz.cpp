// libFuzzer target for the JSON parser and writer (built natively by
// scripts/fuzz-json.sh). Any input either parses or fails with
// JParseException; what parses is written, and the written text must parse
// again and be written back unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);   // adds the terminating zero
  std::string written;
  try {
    written = kavri::JObject::parse(text.c_str()).toText();
  } catch (const kavri::JParseException&) {
    return 0;
  }
  for (const char c : written) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) {
      std::fprintf(stderr, "writer produced a byte outside printable ASCII\n");
      std::abort();
    }
  }
  std::string again;
  try {
    again = kavri::JObject::parse(written.c_str()).toText();
  } catch (const kavri::JParseException& e) {
    std::fprintf(stderr, "written text does not parse (at %zu): %s\n", e.position(), written.c_str());
    std::abort();
  }
  if (again != written) {
    std::fprintf(stderr, "round trip changed the text:\n%s\n%s\n", written.c_str(), again.c_str());
    std::abort();
  }
  return 0;
}
