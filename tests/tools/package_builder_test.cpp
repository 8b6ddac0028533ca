// Package builder: determinism, stored fallback and refusal of bad entries.
#include "tools/lzpack/package_builder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

#include "package/package_archive.h"
#include "tests/helpers/package_fixture.h"

namespace kavri {
namespace {

using package::PackageEntry;
using test::bytesOf;

TEST(PackageBuilder, OutputIsDeterministicWhateverTheOrderAndThreads) {
  std::vector<PackageEntry> entries = {
      {u"b.txt", bytesOf(std::string(3000, 'b'))}, {u"a/c.txt", bytesOf("small")}, {u"z", {}}};
  std::vector<PackageEntry> reversed(entries.rbegin(), entries.rend());
  package::BuildOptions one, many;
  one.threads = 1;
  many.threads = 4;
  std::vector<uint8_t> first, second;
  std::string error;
  ASSERT_TRUE(package::buildPackage(entries, one, first, error)) << error;
  ASSERT_TRUE(package::buildPackage(reversed, many, second, error)) << error;
  EXPECT_EQ(first, second);
}

TEST(PackageBuilder, SameBytesOnEveryArchitecture) {
  // Every field of the format is a fixed little-endian 32-bit word, so the
  // native builder and the 32-bit and 64-bit Windows builds all produce this
  // one package, byte for byte, and read it back alike. The file is written by
  // running this test with KAVRI_WRITE_GOLDEN=1 (after a deliberate format change).
  std::vector<PackageEntry> entries = {{u"readme.txt", bytesOf(std::string(5000, 'r') + "end")},
                                       {u"data/\u00e9t\u00e9.bin", bytesOf(std::string(300, '\x01'))},
                                       {u"empty", {}}};
  const std::vector<uint8_t> image = test::buildImage(entries);
  ASSERT_FALSE(image.empty());
  if (std::getenv("KAVRI_WRITE_GOLDEN")) {
    std::ofstream(KAVRI_PACKAGE_GOLDEN, std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                                std::streamsize(image.size()));
  }
  std::ifstream in(KAVRI_PACKAGE_GOLDEN, std::ios::binary);
  ASSERT_TRUE(in) << KAVRI_PACKAGE_GOLDEN;
  const std::vector<uint8_t> golden((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(image, golden);

  PackageArchive archive(golden.data(), golden.size());
  size_t size = 0;
  HeapBuffer text = archive.extract(u"readme.txt", &size);
  ASSERT_TRUE(text);
  EXPECT_EQ(size, 5003u);
  EXPECT_TRUE(archive.extract(u"data/\u00e9t\u00e9.bin", &size));
  EXPECT_EQ(size, 300u);
}

// The same entries as the builder wrote them before records carried a check
// (the golden package of that time): every entry still extracts, whole and
// intact, and none claims a check.
TEST(PackageBuilder, PackagesFromBeforeChecksStillExtract) {
  std::ifstream in(KAVRI_PACKAGE_WITHOUT_CHECKS, std::ios::binary);
  ASSERT_TRUE(in) << KAVRI_PACKAGE_WITHOUT_CHECKS;
  const std::vector<uint8_t> old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  PackageArchive archive(old.data(), old.size());
  const std::map<std::u16string, std::string> expected = {
      {u"readme.txt", std::string(5000, 'r') + "end"},
      {u"data/\u00e9t\u00e9.bin", std::string(300, '\x01')},
      {u"empty", ""}};
  EXPECT_EQ(archive.entryCount(), expected.size());
  for (const auto& [name, content] : expected) {
    PackageArchive::EntryInfo info{};
    ASSERT_TRUE(archive.find(name, info));
    EXPECT_FALSE(info.check.present);
    size_t size = 0;
    bool intact = false;
    HeapBuffer data = archive.extract(name, &size, &intact);
    ASSERT_TRUE(data);
    EXPECT_TRUE(intact);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.get()), size), content);
  }
}

TEST(PackageBuilder, IncompressibleEntryIsStored) {
  std::vector<uint8_t> noise(4096);
  uint32_t x = 2463534242u;
  for (uint8_t& b : noise) {   // xorshift: incompressible
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = uint8_t(x);
  }
  const std::vector<uint8_t> image = test::buildImage({{u"noise", noise}, {u"text", bytesOf(std::string(4096, 't'))}});
  PackageArchive archive(image.data(), image.size());
  archive.forEachEntry([&](const std::u16string& name, const PackageArchive::EntryInfo& info) {
    if (name == u"noise") {
      EXPECT_EQ(info.unpackedSize, 0u);
      EXPECT_EQ(info.storedSize, noise.size());
    } else {
      EXPECT_EQ(info.unpackedSize, 4096u);
      EXPECT_LT(info.storedSize, 200u);
    }
  });
}

TEST(PackageBuilder, RefusesBadEntries) {
  struct Case {
    const char* what;
    std::vector<PackageEntry> entries;
  };
  const Case cases[] = {
      {"duplicate names", {{u"x", {}}, {u"x", {}}}},
      {"empty name", {{u"", {}}}},
      {"name of 1020 units: no room for its check", {{std::u16string(1020, u'n'), {}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> image;
    std::string error;
    EXPECT_FALSE(package::buildPackage(c.entries, {}, image, error));
    EXPECT_FALSE(error.empty());
  }
  std::vector<uint8_t> image;
  std::string error;
  EXPECT_TRUE(package::buildPackage({{std::u16string(1019, u'n'), {}}}, {}, image, error))
      << "1019 units, the terminator and the 8 bytes of the check fill the 2048-byte field exactly";
}

}  // namespace
}  // namespace kavri

namespace kavri {
namespace {

// Entries with identical content share one data area; each still extracts to
// its own content, compressed or stored, and a different entry of the same
// size is not taken for a copy.
TEST(PackageBuilder, IdenticalEntriesShareTheirData) {
  std::string random;
  uint32_t state = 7;
  for (int i = 0; i < 4000; ++i) random += char((state = state * 1103515245u + 12345u) >> 24);
  const std::string text(6000, 't');
  std::string almost = text;
  almost[5999] = 'u';
  std::vector<PackageEntry> entries = {{u"a/text", bytesOf(text)},    {u"b/text", bytesOf(text)},
                                       {u"c/almost", bytesOf(almost)}, {u"d/random", bytesOf(random)},
                                       {u"e/random", bytesOf(random)}, {u"f/empty", {}},
                                       {u"g/empty", {}}};
  const std::vector<uint8_t> image = test::buildImage(entries);
  ASSERT_FALSE(image.empty());
  PackageArchive archive(image.data(), image.size());
  std::map<std::u16string, PackageArchive::EntryInfo> info;
  archive.forEachEntry([&](const std::u16string& name, const PackageArchive::EntryInfo& e) { info[name] = e; });
  EXPECT_EQ(info[u"a/text"].dataOffset, info[u"b/text"].dataOffset);
  EXPECT_EQ(info[u"d/random"].dataOffset, info[u"e/random"].dataOffset);
  EXPECT_NE(info[u"a/text"].dataOffset, info[u"c/almost"].dataOffset);
  for (const PackageEntry& e : entries) {
    size_t size = 0;
    bool intact = false;
    HeapBuffer data = archive.extract(e.name, &size, &intact);
    ASSERT_TRUE(data);
    EXPECT_TRUE(intact);
    EXPECT_EQ(std::vector<uint8_t>(data.get(), data.get() + size), e.data);
  }
}

}  // namespace
}  // namespace kavri
