// Whole-file reads and writes of the build-time tools.
#include "tools/whole_file.h"

#include <fstream>
#include <limits>
#include <system_error>

namespace fs = std::filesystem;

namespace kavri::tools {

bool readWholeFile(const fs::path& path, std::vector<uint8_t>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || size > std::streamoff(std::numeric_limits<std::streamsize>::max())) return false;
  in.seekg(0, std::ios::beg);
  out.resize(size_t(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(out.data()), std::streamsize(size))) return false;
  return true;
}

bool writeWholeFile(const fs::path& path, const void* data, size_t size) {
  fs::path temp = path;
  temp += ".partial";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    if (size > 0) out.write(static_cast<const char*>(data), std::streamsize(size));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ignored;
      fs::remove(temp, ignored);
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) {   // where renaming does not replace an existing file
    fs::remove(path, ec);
    fs::rename(temp, path, ec);
  }
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return false;
  }
  return true;
}

}  // namespace kavri::tools
