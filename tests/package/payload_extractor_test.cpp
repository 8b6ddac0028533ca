// PayloadExtractor: an entry is written whole to its file, or the call fails
// with the Windows error (0 for a missing or damaged entry) and leaves what
// was at the destination as it was, with no temporary file behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "package/package_archive.h"
#include "package/payload_extractor.h"
#include "support/win32_handles.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/package_fixture.h"

namespace kavri::test {
namespace {

std::string textOf(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

DWORD attributesOf(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

// Each case is one call, in order, on one extractor (as a script calls
// extractFile): what is there before, the result, and what is there after.
TEST(PayloadExtractor, WritesWholeFilesAndNeverLosesTheOldOne) {
  ScratchFolder dir(L"kavri_payload_extractor");
  std::string binary;
  for (int i = 0; i < 300000; ++i) binary += char(i % 7 == 0 ? 0 : 'a' + i % 23);
  const std::vector<uint8_t> image = buildImage({{u"dir/a.txt", bytesOf("alpha")},
                                                 {u"dir/sub/b.bin", bytesOf(binary)},
                                                 {u"empty.txt", {}},
                                                 {u"文档/说明.txt", bytesOf("说明")}});
  ASSERT_FALSE(image.empty());
  PackageArchive archive(image.data(), image.size());
  PayloadExtractor extractor(archive);

  UniqueFile locked;
  struct Case {
    const char* what;
    std::wstring entry;
    std::wstring destination;
    std::function<void()> before;
    bool written;
    unsigned long error;
    std::function<void()> check;
  };
  const std::vector<Case> cases = {
      {"entry named with backslashes", L"dir\\sub\\b.bin", dir / L"b.bin", nullptr, true, 0,
       [&] { EXPECT_TRUE(readFileBytes(dir / L"b.bin") == binary) << "b.bin differs from the entry"; }},
      {"over a read-only file", L"dir/a.txt", dir / L"ro.txt",
       [&] {
         writeFileBytes(dir / L"ro.txt", "old content");
         ::SetFileAttributesW((dir / L"ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
       },
       true, 0,
       [&] {
         EXPECT_EQ(readFileBytes(dir / L"ro.txt"), "alpha");
         EXPECT_FALSE(attributesOf(dir / L"ro.txt") & FILE_ATTRIBUTE_READONLY);
       }},
      {"over an ordinary file", L"dir/a.txt", dir / L"plain.txt",
       [&] { writeFileBytes(dir / L"plain.txt", "a much longer old content"); }, true, 0,
       [&] { EXPECT_EQ(readFileBytes(dir / L"plain.txt"), "alpha"); }},
      {"empty entry", L"empty.txt", dir / L"empty.txt", [&] { writeFileBytes(dir / L"empty.txt", "old"); }, true, 0,
       [&] { EXPECT_EQ(readFileBytes(dir / L"empty.txt"), ""); }},
      {"absent entry", L"missing.txt", dir / L"keep.txt", [&] { writeFileBytes(dir / L"keep.txt", "keep"); }, false,
       0, [&] { EXPECT_EQ(readFileBytes(dir / L"keep.txt"), "keep"); }},
      {"case differs from the entry", L"DIR/a.txt", dir / L"case.txt", nullptr, false, 0,
       [&] { EXPECT_EQ(attributesOf(dir / L"case.txt"), INVALID_FILE_ATTRIBUTES); }},
      {"folder does not exist", L"dir/a.txt", dir / L"no\\such\\x.txt", nullptr, false, ERROR_PATH_NOT_FOUND,
       [&] { EXPECT_EQ(attributesOf(dir / L"no"), INVALID_FILE_ATTRIBUTES); }},
      {"destination in use", L"dir/a.txt", dir / L"locked.txt",
       [&] {
         writeFileBytes(dir / L"locked.txt", "locked old");
         locked.reset(::CreateFileW((dir / L"locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
         ASSERT_TRUE(locked);
       },
       false, ERROR_SHARING_VIOLATION,
       [&] {
         locked.reset();
         EXPECT_EQ(readFileBytes(dir / L"locked.txt"), "locked old");
       }},
      {"non-ASCII entry and destination", L"文档\\说明.txt", dir / L"数据.txt", nullptr, true, 0,
       [&] { EXPECT_EQ(readFileBytes(dir / L"数据.txt"), "说明"); }},
      {"destination is a folder", L"dir/a.txt", dir / L"folder",
       [&] { ::CreateDirectoryW((dir / L"folder").c_str(), nullptr); }, false, ERROR_ACCESS_DENIED,
       [&] { EXPECT_TRUE(attributesOf(dir / L"folder") & FILE_ATTRIBUTE_DIRECTORY); }},
      {"empty destination", L"dir/a.txt", L"", nullptr, false, ERROR_INVALID_NAME, [] {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.before) c.before();
    const PayloadExtractor::Result result = extractor.extract(c.entry, c.destination);
    EXPECT_EQ(result.written, c.written);
    EXPECT_EQ(result.error, c.error);
    c.check();
  }
  // No temporary file is left behind by the failed ones.
  WIN32_FIND_DATAW data;
  UniqueFind find(::FindFirstFileW((dir / L"*.tmp").c_str(), &data));
  EXPECT_FALSE(find) << "left behind: " << std::string(data.cFileName, data.cFileName + wcslen(data.cFileName));
}

// An entry damaged in the package: the call fails (error 0) and the old file
// stays exactly as it was, whether the decoder notices (a scrambled stream) or
// only the entry's CRC-32 does (a stored entry, a flipped byte that decodes to
// other bytes of the right length, a damaged check); whether the worker
// decodes the entry itself (asked first) or the helper decoded it ahead
// (asked after its neighbour).
TEST(PayloadExtractor, ADamagedEntryIsAnErrorAndTheOldFileStays) {
  ScratchFolder dir(L"kavri_payload_damaged");
  std::vector<uint8_t> content(60000), noise(20000);
  for (size_t i = 0; i < content.size(); ++i) content[i] = uint8_t((i * 13) ^ (i >> 7));
  uint32_t seed = 12345;
  for (uint8_t& b : noise) b = uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);   // incompressible: stored
  const std::vector<uint8_t> image = buildImage(
      {{u"before.txt", bytesOf(std::string(5000, 'b'))}, {u"data.bin", content}, {u"noise.bin", noise}});
  ASSERT_FALSE(image.empty());
  PackageArchive probe(image.data(), image.size());
  PackageArchive::EntryInfo data{}, stored{};
  ASSERT_TRUE(probe.find(u"data.bin", data));
  ASSERT_TRUE(probe.find(u"noise.bin", stored));
  ASSERT_NE(data.unpackedSize, 0u);
  ASSERT_EQ(stored.unpackedSize, 0u);
  auto scrambleFrom = [](uint32_t from, uint32_t end) {
    return [=](std::vector<uint8_t>& im) {
      for (uint32_t i = from; i < end; ++i) im[i] ^= 0xA5;
    };
  };
  auto flip = [](size_t at, uint8_t mask) { return [=](std::vector<uint8_t>& im) { im[at] ^= mask; }; };
  struct Case {
    const char* what;
    const wchar_t* entry;
    std::function<void(std::vector<uint8_t>&)> damage;
  };
  const uint32_t dataEnd = data.dataOffset + data.storedSize;
  const Case cases[] = {
      {"last quarter scrambled", L"data.bin", scrambleFrom(data.dataOffset + data.storedSize * 3 / 4, dataEnd)},
      {"second half scrambled", L"data.bin", scrambleFrom(data.dataOffset + data.storedSize / 2, dataEnd)},
      {"last bytes scrambled", L"data.bin", scrambleFrom(dataEnd - 8, dataEnd)},
      // For this content the decoder turns this flip into other bytes of the
      // right length without a complaint.
      {"a bit of the stream flipped", L"data.bin", flip(dataEnd - 7, 0x20)},
      {"the CRC-32 of a compressed entry damaged", L"data.bin", flip(checkOffsetOf(image, u"data.bin"), 0x08)},
      {"a bit of a stored entry flipped", L"noise.bin", flip(stored.dataOffset + 1000, 0x08)},
      {"the CRC-32 of a stored entry damaged", L"noise.bin", flip(checkOffsetOf(image, u"noise.bin") + 3, 0x08)},
  };
  const std::wstring target = dir / L"damaged.bin";
  for (const Case& c : cases) {
    for (const bool afterNeighbour : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (afterNeighbour ? ", after its neighbour" : ", asked first"));
      std::vector<uint8_t> damaged = image;
      c.damage(damaged);
      PackageArchive archive(damaged.data(), damaged.size());
      PayloadExtractor extractor(archive);
      if (afterNeighbour) {
        EXPECT_TRUE(extractor.extract(L"before.txt", dir / L"before.txt").written);
        ::Sleep(50);   // time for the helper to decode ahead (either way the result is the same)
      }
      writeFileBytes(target, "old content");
      const PayloadExtractor::Result result = extractor.extract(c.entry, target);
      EXPECT_FALSE(result.written);
      EXPECT_EQ(result.error, 0u);
      EXPECT_EQ(readFileBytes(target), "old content");
      const std::wstring fresh = dir / L"fresh.bin";
      EXPECT_FALSE(extractor.extract(c.entry, fresh).written);
      EXPECT_EQ(attributesOf(fresh), INVALID_FILE_ATTRIBUTES) << "a new file written in place is removed again";
    }
  }
  PayloadExtractor intact(probe);
  EXPECT_TRUE(intact.extract(L"data.bin", dir / L"whole.bin").written);
  EXPECT_EQ(readFileBytes(dir / L"whole.bin"), textOf(content));
  EXPECT_TRUE(intact.extract(L"noise.bin", dir / L"noise.bin").written);
  EXPECT_EQ(readFileBytes(dir / L"noise.bin"), textOf(noise));
}

}  // namespace
}  // namespace kavri::test
