// Helpers for tests that need package images: building them from entries and
// hand-assembling records (including damaged ones).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/package_archive.h"
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

// Where the CRC-32 of entry `name` lies in `image` (in its record's check
// extension), or 0 when its record has none.
inline size_t checkOffsetOf(const std::vector<uint8_t>& image, const std::u16string& name) {
  size_t pos = package::readU32(&image[image.size() - 4]) ^ package::kMask;
  std::u16string seen;
  for (uint32_t size; (size = package::readU32(&image[pos])) != 0; pos += size) {
    package::EntryCheck check;
    if (package::decodeNameField(&image[pos + package::kRecordHeaderSize], size - package::kRecordHeaderSize, seen,
                                 &check) &&
        seen == name && check.present)
      return pos + package::kRecordHeaderSize + (((name.size() + 1) * 2 + 3) & ~size_t(3)) + 4;
  }
  return 0;
}

// The same package as an older builder wrote it: the same data, records
// without the check extension.
inline std::vector<uint8_t> withoutChecks(const std::vector<uint8_t>& image) {
  PackageArchive archive(image.data(), image.size());
  const uint32_t directory = package::readU32(&image[image.size() - 4]) ^ package::kMask;
  std::vector<uint8_t> out(image.begin(), image.begin() + directory);
  archive.forEachEntry([&](const std::u16string& name, const PackageArchive::EntryInfo& e) {
    package::appendRecord(out, e.dataOffset, e.storedSize, e.unpackedSize, name);
  });
  package::appendU32(out, 0);
  package::appendU32(out, directory ^ package::kMask);
  return out;
}

}  // namespace kavri::test
