// Package image assembly: compress entries (in parallel, each independently),
// lay out data areas in name order (an entry identical to an earlier one
// shares its data area), then the directory and the masked offset.
#include "package_builder.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "package/crc32.h"
#include "package/lzma_codec.h"
#include "package/package_format.h"

namespace kavri::package {
namespace {

struct Encoded {
  std::vector<uint8_t> stored;   // empty when the raw data are stored
  bool compressed = false;
  size_t sameAs = SIZE_MAX;      // an earlier entry with identical content
  uint32_t crc32 = 0;            // of the content, the record's check
};

// FNV-1a over the content: only a first sort of candidates, equal content is
// always compared byte for byte.
uint64_t contentHash(const std::vector<uint8_t>& data) {
  uint64_t h = 1469598103934665603ull;
  for (uint8_t b : data) h = (h ^ b) * 1099511628211ull;
  return h;
}

// Marks every entry whose content equals an earlier entry's (in name order),
// so its record can point at that entry's data instead of storing it again.
void findDuplicates(const std::vector<PackageEntry>& entries, std::vector<Encoded>& encoded) {
  std::map<std::pair<size_t, uint64_t>, std::vector<size_t>> seen;
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::vector<uint8_t>& data = entries[i].data;
    if (data.empty()) continue;
    std::vector<size_t>& candidates = seen[{data.size(), contentHash(data)}];
    for (size_t first : candidates)
      if (entries[first].data == data) {
        encoded[i].sameAs = first;
        break;
      }
    if (encoded[i].sameAs == SIZE_MAX) candidates.push_back(i);
  }
}

// Sorts the entries by name and checks them against the format's limits;
// `totalBytes` receives the sum of their sizes.
bool checkEntries(std::vector<PackageEntry>& entries, uint64_t& totalBytes, std::string& error) {
  std::sort(entries.begin(), entries.end(),
            [](const PackageEntry& a, const PackageEntry& b) { return a.name < b.name; });
  totalBytes = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::u16string& name = entries[i].name;
    if (name.empty() || name.find(u'\0') != std::u16string::npos) {
      error = "entry name is empty or holds a zero character";
      return false;
    }
    if (name.size() > kMaxCheckedNameUnits) {   // the name field also holds the entry's check
      error = "entry name longer than " + std::to_string(kMaxCheckedNameUnits) + " characters";
      return false;
    }
    if (i > 0 && entries[i - 1].name == name) {
      error = "two entries share one name";
      return false;
    }
    if (entries[i].data.size() > UINT32_MAX) {
      error = "entry larger than 4 GiB";
      return false;
    }
    totalBytes += entries[i].data.size();
  }
  return true;
}

// Marks duplicates and compresses every other entry that is not empty, on
// the options' threads. Each entry is encoded on its own, so the thread
// count does not change the output; an entry that does not shrink stays raw.
bool encodeEntries(const std::vector<PackageEntry>& entries, const BuildOptions& options, uint64_t totalBytes,
                   std::vector<Encoded>& encoded, std::string& error) {
  encoded.assign(entries.size(), Encoded{});
  findDuplicates(entries, encoded);
  std::atomic<size_t> next{0};
  std::mutex progressLock;
  size_t done = 0;
  uint64_t doneBytes = 0;
  std::atomic<bool> failed{false};
  auto worker = [&] {
    for (size_t i; (i = next.fetch_add(1)) < entries.size();) {
      const std::vector<uint8_t>& data = entries[i].data;
      encoded[i].crc32 = crc32Update(0, data.data(), data.size());
      if (options.compress && !data.empty() && encoded[i].sameAs == SIZE_MAX) {
        std::vector<uint8_t> packed;
        if (!lzmaCompress(data.data(), data.size(), packed)) {
          failed = true;
          return;
        }
        if (packed.size() < data.size()) {
          encoded[i].stored = std::move(packed);
          encoded[i].compressed = true;
        }
      }
      std::lock_guard<std::mutex> lock(progressLock);
      ++done;
      doneBytes += data.size();
      if (options.progress) options.progress(done, entries.size(), doneBytes, totalBytes);
    }
  };
  unsigned threads = options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency());
  threads = unsigned(std::min<size_t>(threads, std::max<size_t>(1, entries.size())));
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(worker);
  worker();
  for (std::thread& t : pool) t.join();
  if (failed) {
    error = "LZMA encoder failed (out of memory)";
    return false;
  }
  return true;
}

// Writes the image: the data areas in name order (a duplicate points at its
// first entry's area), the directory, its terminator and the masked
// directory offset. Each entry's encoded bytes are released once copied.
bool layOut(const std::vector<PackageEntry>& entries, std::vector<Encoded>& encoded, std::vector<uint8_t>& image,
            std::string& error) {
  image.clear();
  std::vector<uint8_t> directory;
  std::vector<uint32_t> offsets(entries.size()), storedSizes(entries.size()), unpackedSizes(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    if (encoded[i].sameAs != SIZE_MAX) {   // identical content: the earlier entry's data
      const size_t first = encoded[i].sameAs;
      offsets[i] = offsets[first];
      storedSizes[i] = storedSizes[first];
      unpackedSizes[i] = unpackedSizes[first];
      appendRecord(directory, offsets[i], storedSizes[i], unpackedSizes[i], entries[i].name,
                   EntryCheck{true, encoded[i].crc32});
      continue;
    }
    const std::vector<uint8_t>& bytes = encoded[i].compressed ? encoded[i].stored : entries[i].data;
    if (image.size() + bytes.size() > UINT32_MAX) {
      error = "package larger than 4 GiB";
      return false;
    }
    const uint32_t offset = uint32_t(image.size());
    image.insert(image.end(), bytes.begin(), bytes.end());
    offsets[i] = offset;
    storedSizes[i] = uint32_t(bytes.size());
    unpackedSizes[i] = encoded[i].compressed ? uint32_t(entries[i].data.size()) : 0;
    appendRecord(directory, offset, storedSizes[i], unpackedSizes[i], entries[i].name,
                 EntryCheck{true, encoded[i].crc32});
    std::vector<uint8_t>().swap(encoded[i].stored);
  }
  if (image.size() + directory.size() + 8 > UINT32_MAX) {
    error = "package larger than 4 GiB";
    return false;
  }
  const uint32_t directoryOffset = uint32_t(image.size());
  image.insert(image.end(), directory.begin(), directory.end());
  appendU32(image, 0);                            // terminator
  appendU32(image, directoryOffset ^ kMask);
  return true;
}

}  // namespace

bool buildPackage(std::vector<PackageEntry> entries, const BuildOptions& options,
                  std::vector<uint8_t>& image, std::string& error) {
  uint64_t totalBytes = 0;
  std::vector<Encoded> encoded;
  return checkEntries(entries, totalBytes, error) && encodeEntries(entries, options, totalBytes, encoded, error) &&
         layOut(entries, encoded, image, error);
}

}  // namespace kavri::package
