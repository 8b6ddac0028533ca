// Builds ".lz" package images from named entries. Deterministic: the same
// entries (in any order) always give byte-identical packages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kavri::package {

struct PackageEntry {
  std::u16string name;          // relative path with '/' separators
  std::vector<uint8_t> data;    // file content
};

struct BuildOptions {
  bool compress = true;   // false: store every entry uncompressed
  unsigned threads = 0;   // compression threads; 0 = one per core
  // Called as entries finish: (entries done, total, bytes done, total bytes).
  std::function<void(size_t, size_t, uint64_t, uint64_t)> progress;
};

// Builds a package image. Entries are sorted by name; an entry that does not
// shrink under LZMA is stored uncompressed; entries with identical content
// share one data area (their records point at the same bytes); every record
// carries its content's CRC-32. Returns false (with `error` set) when a name
// is empty or too long for the format with its check (over 1019 units), two
// entries share a name, or the image would exceed 4 GiB.
bool buildPackage(std::vector<PackageEntry> entries, const BuildOptions& options,
                  std::vector<uint8_t>& image, std::string& error);

}  // namespace kavri::package
