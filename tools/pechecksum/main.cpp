// pechecksum: the whole-file checksum in a Windows executable's header, which
// the installer checks at start-up to tell a damaged download.
//
//   pechecksum write FILE    computes the checksum of FILE and writes it into
//                            its header (the build does this after linking,
//                            before any signing; signing tools rewrite it)
//   pechecksum check FILE    exit code 0 when the header holds FILE's checksum
//
// Exit code 1 on any error or mismatch (with a message on stderr).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "package/package_format.h"
#include "package/pe_checksum.h"

namespace {

using kavri::package::PeChecksum;

int fail(const std::string& message) {
  std::cerr << "pechecksum: " << message << "\n";
  return 1;
}

// Sums the file: `field` receives where its CheckSum lies, `recorded` what it
// holds, `value` the file's sum and `matches` whether the two agree.
bool sumFile(const char* path, uint64_t& field, uint32_t& recorded, uint32_t& value, bool& matches,
             std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = std::string("cannot read ") + path;
    return false;
  }
  std::vector<uint8_t> piece(1u << 20);
  PeChecksum sum(0);
  bool first = true;
  for (;;) {
    in.read(reinterpret_cast<char*>(piece.data()), std::streamsize(piece.size()));
    const size_t got = size_t(in.gcount());
    if (first) {
      if (!kavri::package::peChecksumFieldOffset(piece.data(), got, field)) {
        error = std::string("not a Windows executable: ") + path;
        return false;
      }
      recorded = kavri::package::readU32(piece.data() + field);
      sum = PeChecksum(field);
      first = false;
    }
    sum.add(piece.data(), got);
    if (!in) break;
  }
  if (in.bad()) {
    error = std::string("cannot read ") + path;
    return false;
  }
  value = sum.value();
  matches = sum.matches(recorded);
  return true;
}

int write(const char* path) {
  uint64_t field = 0;
  uint32_t recorded = 0, value = 0;
  bool matches = false;
  std::string error;
  if (!sumFile(path, field, recorded, value, matches, error)) return fail(error);
  std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
  uint8_t bytes[4];
  kavri::package::writeU32(bytes, value);
  out.seekp(std::streamoff(field));
  out.write(reinterpret_cast<const char*>(bytes), 4);
  out.flush();
  if (!out) return fail(std::string("cannot write ") + path);
  return 0;
}

int check(const char* path) {
  uint64_t field = 0;
  uint32_t recorded = 0, value = 0;
  bool matches = false;
  std::string error;
  if (!sumFile(path, field, recorded, value, matches, error)) return fail(error);
  if (recorded == 0) return fail(std::string("no checksum recorded in ") + path);
  if (!matches) {
    char text[80];
    std::snprintf(text, sizeof text, "checksum 0x%08x recorded, the file sums to 0x%08x: ", unsigned(recorded),
                  unsigned(value));
    return fail(text + std::string(path));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc == 3 ? argv[1] : "";
  if (command == "write") return write(argv[2]);
  if (command == "check") return check(argv[2]);
  std::cerr << "pechecksum: usage: pechecksum write FILE | pechecksum check FILE\n";
  return 1;
}
