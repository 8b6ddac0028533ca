// Helpers for tests that need package images: building them from entries and
// hand-assembling records (including damaged ones).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/package_format.h"
#include "tools/lzpack/package_builder.h"

namespace kavri::test {

inline std::vector<uint8_t> bytesOf(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

inline std::vector<uint8_t> buildImage(std::vector<package::PackageEntry> entries, bool compress = true) {
  package::BuildOptions options;
  options.compress = compress;
  std::vector<uint8_t> image;
  std::string error;
  if (!package::buildPackage(std::move(entries), options, image, error)) image.clear();
  return image;
}

// A record as written by hand: data appended to the data area, directory kept
// apart until finish().
struct ImageAssembler {
  std::vector<uint8_t> data;
  std::vector<uint8_t> directory;

  void addStored(const std::u16string& name, const std::vector<uint8_t>& bytes) {
    package::appendRecord(directory, uint32_t(data.size()), uint32_t(bytes.size()), 0, name);
    data.insert(data.end(), bytes.begin(), bytes.end());
  }
  std::vector<uint8_t> finish() const {
    std::vector<uint8_t> image = data;
    const uint32_t offset = uint32_t(image.size());
    image.insert(image.end(), directory.begin(), directory.end());
    package::appendU32(image, 0);
    package::appendU32(image, offset ^ package::kMask);
    return image;
  }
};

}  // namespace kavri::test
