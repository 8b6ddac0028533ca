// libFuzzer target for the package reader and the LZMA decoder: any image is
// indexed without reading outside it, and every entry extracts to at most its
// recorded size; an entry reported intact has exactly that size, and the
// streamed extraction (which checks the entry's CRC-32 as it goes) calls the
// same entries intact as the whole one.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "package/package_archive.h"

namespace {

// Counts what a streamed extraction writes.
struct CountBytes final : kavri::package::ByteOutput {
  size_t bytes = 0;
  bool write(const uint8_t*, size_t size) override {
    bytes += size;
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A private copy of exactly `size` bytes: any read past it is caught.
  std::vector<uint8_t> image(data, data + size);
  kavri::PackageArchive archive(image.data(), image.size());
  std::vector<std::pair<std::u16string, kavri::PackageArchive::EntryInfo>> entries;
  archive.forEachEntry([&](const std::u16string& name, const kavri::PackageArchive::EntryInfo& info) {
    entries.emplace_back(name, info);
  });
  for (const auto& [name, info] : entries) {
    // A claimed size beyond what a skin or payload could hold is not decoded:
    // the fuzzer would only measure the allocator.
    if (info.unpackedSize > (64u << 20)) continue;
    size_t extracted = 0;
    bool intact = false;
    kavri::HeapBuffer content = archive.extract(name, &extracted, &intact);
    if (!content) continue;
    const size_t limit = info.unpackedSize ? info.unpackedSize : info.storedSize;
    if (extracted > limit || (intact && info.unpackedSize && extracted != info.unpackedSize)) {
      std::fprintf(stderr, "entry extracted to %zu bytes, recorded %u (intact %d)\n", extracted, info.unpackedSize,
                   int(intact));
      std::abort();
    }
    CountBytes streamed;
    kavri::package::LzmaStreamDecoder decoder;
    const bool streamedIntact = archive.extractTo(info, decoder, streamed) == kavri::package::DecodeResult::Intact;
    if (streamedIntact != intact || streamed.bytes > limit) {
      std::fprintf(stderr, "streamed: %zu bytes, intact %d; whole: intact %d\n", streamed.bytes, int(streamedIntact),
                   int(intact));
      std::abort();
    }
  }
  return 0;
}
