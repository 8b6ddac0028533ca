// PackageArchive: index building and extraction over valid and damaged images.
#include "package/package_archive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "package/package_format.h"
#include "tests/helpers/package_fixture.h"

namespace kavri {
namespace {

using package::PackageEntry;
using test::bytesOf;

std::vector<uint8_t> extractAll(const PackageArchive& archive, const std::u16string& name, bool* found) {
  size_t size = 12345;
  HeapBuffer data = archive.extract(name, &size);
  *found = data != nullptr;
  if (!data) {
    EXPECT_EQ(size, 12345u) << "size must stay untouched for an absent entry";
    return {};
  }
  return std::vector<uint8_t>(data.get(), data.get() + size);
}

std::vector<uint8_t> patterned(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t((i * 7) ^ (i >> 5));
  return v;
}

TEST(PackageArchive, EntriesRoundTrip) {
  struct Case {
    const char* what;
    bool compress;
    std::vector<PackageEntry> entries;
  };
  const std::vector<uint8_t> text = bytesOf(std::string(5000, 'a') + "tail");
  const Case cases[] = {
      {"stored entries", false, {{u"a.txt", bytesOf("hello")}, {u"dir/b.bin", patterned(300)}}},
      {"compressed entries", true, {{u"big.txt", text}, {u"dir/sub/c.bin", patterned(70000)}}},
      {"empty entry", true, {{u"empty", {}}, {u"x", bytesOf("x")}}},
      {"case-distinct names", true, {{u"Readme.txt", bytesOf("upper")}, {u"readme.txt", bytesOf("lower")}}},
      {"unicode name", true, {{u"\u4e2d\u6587/\u6587\u4ef6.txt", bytesOf("cjk")}}},
      {"odd name lengths", false, {{u"ab", bytesOf("1")}, {u"abc", bytesOf("2")}, {u"abcd", bytesOf("3")}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<uint8_t> image = test::buildImage(c.entries, c.compress);
    ASSERT_FALSE(image.empty());
    PackageArchive archive(image.data(), image.size());
    EXPECT_EQ(archive.entryCount(), c.entries.size());
    for (const PackageEntry& e : c.entries) {
      bool found = false;
      EXPECT_EQ(extractAll(archive, e.name, &found), e.data);
      EXPECT_TRUE(found);
    }
  }
}

TEST(PackageArchive, LookupIsExact) {
  const std::vector<uint8_t> image =
      test::buildImage({{u"dir/file.txt", bytesOf("content")}, {u"Top", bytesOf("t")}});
  PackageArchive archive(image.data(), image.size());
  const std::u16string absent[] = {u"dir\\file.txt", u"DIR/file.txt", u"top", u"dir/file.tx", u"", u"dir"};
  for (const std::u16string& name : absent) {
    bool found = true;
    extractAll(archive, name, &found);
    EXPECT_FALSE(found);
  }
}

TEST(PackageArchive, LaterDuplicateRecordWins) {
  test::ImageAssembler assembler;
  assembler.addStored(u"same", bytesOf("first"));
  assembler.addStored(u"same", bytesOf("second"));
  const std::vector<uint8_t> image = assembler.finish();
  PackageArchive archive(image.data(), image.size());
  bool found = false;
  EXPECT_EQ(extractAll(archive, u"same", &found), bytesOf("second"));
  EXPECT_EQ(archive.entryCount(), 1u);
}

TEST(PackageArchive, EmptyDirectoryHasNoEntries) {
  const std::vector<uint8_t> image = test::ImageAssembler().finish();
  ASSERT_EQ(image.size(), 8u);
  PackageArchive archive(image.data(), image.size());
  EXPECT_EQ(archive.entryCount(), 0u);
  bool found = true;
  extractAll(archive, u"anything", &found);
  EXPECT_FALSE(found);
}

TEST(PackageArchive, SizeOutputIsOptional) {
  const std::vector<uint8_t> image = test::buildImage({{u"a", bytesOf("abc")}});
  PackageArchive archive(image.data(), image.size());
  HeapBuffer data = archive.extract(u"a");
  ASSERT_TRUE(data);
  EXPECT_EQ(std::memcmp(data.get(), "abc", 3), 0);
}

// Damaged images: each mutation of a valid image must leave the reader with
// either no entries or entries whose extraction stays inside the image.
struct Damage {
  const char* what;
  std::function<void(std::vector<uint8_t>&)> mutate;
  size_t expectedEntries;   // entries left in the index
};

uint32_t directoryOffset(const std::vector<uint8_t>& image) {
  return package::readU32(&image[image.size() - 4]) ^ package::kMask;
}

void setDirectoryOffset(std::vector<uint8_t>& image, uint32_t offset) {
  package::writeU32(&image[image.size() - 4], offset ^ package::kMask);
}

TEST(PackageArchive, DamagedImagesAreRejectedSafely) {
  test::ImageAssembler assembler;
  assembler.addStored(u"one", bytesOf("first entry"));
  assembler.addStored(u"two", bytesOf("second"));
  const std::vector<uint8_t> valid = assembler.finish();
  const uint32_t dir = directoryOffset(valid);
  const uint32_t firstRecordSize = package::readU32(&valid[dir]);

  const Damage cases[] = {
      {"directory offset past the end", [](auto& im) { setDirectoryOffset(im, uint32_t(im.size()) + 100); }, 0},
      {"directory offset at the offset word", [](auto& im) { setDirectoryOffset(im, uint32_t(im.size()) - 4); }, 0},
      {"directory offset huge", [](auto& im) { setDirectoryOffset(im, 0xFFFFFFF0u); }, 0},
      {"record size below header", [&](auto& im) { package::writeU32(&im[dir], 8); }, 0},
      {"record size past the end", [&](auto& im) { package::writeU32(&im[dir], 0x7FFFFFFF); }, 0},
      {"terminator missing",
       [&](auto& im) { package::writeU32(&im[im.size() - 8], 0x10); }, 0},
      {"name field without zero unit",
       [&](auto& im) {
         // Overwrite the first name field with masked non-zero units.
         for (uint32_t i = dir + 16; i + 4 <= dir + firstRecordSize; i += 4)
           package::writeU32(&im[i], 0x00410041u ^ package::kMask);
       },
       1},
      {"truncated to 3 bytes", [](auto& im) { im.resize(3); }, 0},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> image = valid;
    c.mutate(image);
    // Copy into an exact-size heap block so a read past the end is caught by
    // sanitizers and page guards.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[image.size()]);
    std::memcpy(exact.get(), image.data(), image.size());
    PackageArchive archive(exact.get(), image.size());
    EXPECT_EQ(archive.entryCount(), c.expectedEntries);
  }
}

TEST(PackageArchive, DataRangeOutsideImageGivesNull) {
  struct Case {
    const char* what;
    uint32_t dataOffset, storedSize, unpackedSize;
  };
  const Case cases[] = {
      {"offset past the end", 1000, 4, 0},
      {"size past the end", 0, 1000, 0},
      {"offset plus size wraps", 0xFFFFFFF0u, 0x20, 0},
      {"compressed shorter than props", 0, 3, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> data = bytesOf("0123456789");
    std::vector<uint8_t> directory;
    package::appendRecord(directory, c.dataOffset, c.storedSize, c.unpackedSize, u"e");
    std::vector<uint8_t> image = data;
    image.insert(image.end(), directory.begin(), directory.end());
    package::appendU32(image, 0);
    package::appendU32(image, uint32_t(data.size()) ^ package::kMask);
    PackageArchive archive(image.data(), image.size());
    ASSERT_EQ(archive.entryCount(), 1u);
    bool found = true;
    extractAll(archive, u"e", &found);
    EXPECT_FALSE(found);
  }
}

TEST(PackageArchive, CorruptStreamYieldsAtMostUnpackedSize) {
  const std::vector<uint8_t> original = patterned(20000);
  std::vector<uint8_t> image = test::buildImage({{u"data", original}});
  const std::vector<uint8_t> cleanImage = image;
  PackageArchive probe(cleanImage.data(), cleanImage.size());
  PackageArchive::EntryInfo info{};
  probe.forEachEntry([&](const std::u16string&, const PackageArchive::EntryInfo& e) { info = e; });
  ASSERT_NE(info.unpackedSize, 0u) << "fixture must be compressed";
  // Scramble the middle of the LZMA stream.
  for (uint32_t i = info.dataOffset + info.storedSize / 2; i < info.dataOffset + info.storedSize; ++i)
    image[i] ^= 0x5A;
  PackageArchive archive(image.data(), image.size());
  size_t size = 0;
  bool intact = true;
  HeapBuffer data = archive.extract(u"data", &size, &intact);
  ASSERT_TRUE(data) << "a damaged entry still gives what was decoded";
  EXPECT_LT(size, original.size());
  EXPECT_FALSE(intact);

  bool cleanIntact = false;
  size_t cleanSize = 0;
  HeapBuffer clean = probe.extract(u"data", &cleanSize, &cleanIntact);
  ASSERT_TRUE(clean);
  EXPECT_EQ(cleanSize, original.size());
  EXPECT_TRUE(cleanIntact);
}

// Collects what a streamed extraction writes.
struct Collect final : package::ByteOutput {
  std::vector<uint8_t> bytes;
  bool write(const uint8_t* data, size_t size) override {
    bytes.insert(bytes.end(), data, data + size);
    return true;
  }
};

// Damage to an entry is caught by its CRC-32 wherever a decoder alone cannot
// see it (a stored entry is copied as it is; an LZMA stream without an end
// mark decodes a flipped byte to other bytes of the right length): neither the
// whole extraction nor the streamed one calls such an entry intact. A package
// written before records carried checks extracts as before.
TEST(PackageArchive, DamagedEntriesAreNeverReportedIntact) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i * 37 % 1001) + " of the readme\n";
  const std::vector<uint8_t> content = bytesOf(text);
  auto flip = [](long from, uint8_t mask) {   // from < 0: counted from the end of the data
    return [=](std::vector<uint8_t>& image, const PackageArchive::EntryInfo& e, size_t) {
      image[size_t(from >= 0 ? e.dataOffset + from : e.dataOffset + e.storedSize + from)] ^= mask;
    };
  };
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>& image, const PackageArchive::EntryInfo& e, size_t check)> damage;
    bool intact;
  };
  // For this content the LZMA decoder turns the flip of the 7th byte into
  // other bytes of the right length without a complaint; the other flips it
  // notices itself. Stored, every flip goes through as it is.
  const Case cases[] = {
      {"untouched", [](auto&, auto&, size_t) {}, true},
      {"a bit of the 7th byte flipped", flip(6, 0x01), false},
      {"a bit of the 6th byte from the end flipped", flip(-6, 0x08), false},
      {"a byte in the middle flipped",
       [](auto& image, auto& e, size_t) { image[e.dataOffset + e.storedSize / 2] ^= 0x10; }, false},
      {"the CRC-32 in the record damaged", [](auto& image, auto&, size_t check) { image[check + 1] ^= 0x04; }, false},
      {"a record from before checks existed", [](auto& image, auto&, size_t) { image = test::withoutChecks(image); },
       true},
  };
  for (const bool compress : {false, true}) {
    const std::vector<uint8_t> clean = test::buildImage({{u"a.txt", bytesOf("first")}, {u"data", content}}, compress);
    ASSERT_FALSE(clean.empty());
    const size_t check = test::checkOffsetOf(clean, u"data");
    ASSERT_NE(check, 0u) << "the builder writes a check into every record";
    PackageArchive::EntryInfo info{};
    ASSERT_TRUE(PackageArchive(clean.data(), clean.size()).find(u"data", info));
    ASSERT_EQ(info.unpackedSize != 0, compress);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (compress ? ", LZMA" : ", stored"));
      std::vector<uint8_t> image = clean;
      c.damage(image, info, check);
      PackageArchive archive(image.data(), image.size());
      PackageArchive::EntryInfo entry{};
      ASSERT_TRUE(archive.find(u"data", entry));

      size_t size = 0;
      bool intact = !c.intact;
      HeapBuffer whole = archive.extract(u"data", &size, &intact);
      EXPECT_EQ(intact, c.intact) << "whole extraction";
      if (c.intact) {
        EXPECT_TRUE(whole && std::vector<uint8_t>(whole.get(), whole.get() + size) == content);
      }

      Collect streamed;
      package::LzmaStreamDecoder decoder;
      const package::DecodeResult result = archive.extractTo(entry, decoder, streamed);
      EXPECT_EQ(result, c.intact ? package::DecodeResult::Intact : package::DecodeResult::Damaged) << "streamed";
      if (c.intact) {
        EXPECT_EQ(streamed.bytes, content);
      }

      bool neighbourIntact = false;
      EXPECT_TRUE(archive.extract(u"a.txt", &size, &neighbourIntact));
      EXPECT_TRUE(neighbourIntact) << "the damage stays with its entry";
    }
  }
}

TEST(PackageArchive, UnallocatableUnpackedSizeGivesNull) {
  // A compressed record claiming close to 4 GiB.
  std::vector<uint8_t> data(16, 0);
  data[0] = 0x5D;   // lc=3 lp=0 pb=2
  std::vector<uint8_t> image = data;
  package::appendRecord(image, 0, 16, 0xFFFFFFF0u, u"huge");
  package::appendU32(image, 0);
  package::appendU32(image, 16 ^ package::kMask);
  PackageArchive archive(image.data(), image.size());
  size_t size = 7;
  HeapBuffer out = archive.extract(u"huge", &size);
  if (sizeof(void*) == 4) {
    EXPECT_FALSE(out);   // a 32-bit process cannot allocate it
    EXPECT_EQ(size, 7u);
  } else {
    EXPECT_LE(size, 0xFFFFFFF0u);
  }
}

TEST(PackageFormat, NameFieldMasking) {
  // "ab" -> units a, b, 0, pad: 8 bytes, two masked words.
  const std::vector<uint8_t> field = package::encodeNameField(u"ab");
  ASSERT_EQ(field.size(), 8u);
  EXPECT_EQ(package::readU32(&field[0]) ^ package::kMask, 0x00620061u);
  EXPECT_EQ(package::readU32(&field[4]) ^ package::kMask, 0u);
  std::u16string name;
  ASSERT_TRUE(package::decodeNameField(field.data(), field.size(), name));
  EXPECT_EQ(name, u"ab");

  // A field of 4k + 2 bytes keeps its trailing half word unmasked.
  uint8_t halfWord[6];
  package::writeU32(halfWord, 0x00430042u ^ package::kMask);   // "BC"
  halfWord[4] = 0;
  halfWord[5] = 0;
  ASSERT_TRUE(package::decodeNameField(halfWord, 6, name));
  EXPECT_EQ(name, u"BC");

  std::vector<uint8_t> tooLong(package::kMaxNameFieldBytes + 4, 0);
  EXPECT_FALSE(package::decodeNameField(tooLong.data(), tooLong.size(), name));
}

// The check rides after the name's padding, masked like the rest of the
// field; the name read by the old rule (up to its terminator) is unchanged.
TEST(PackageFormat, CheckExtensionAfterTheName) {
  struct Case {
    std::u16string name;
    size_t fieldBytes;   // name, terminator, padding, then 8 bytes of check
  };
  const Case cases[] = {{u"a", 4 + 8}, {u"ab", 8 + 8}, {u"abc", 8 + 8}, {std::u16string(1019, u'n'), 2048}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.size());
    const std::vector<uint8_t> field = package::encodeNameField(c.name, package::EntryCheck{true, 0xCBF43926u});
    ASSERT_EQ(field.size(), c.fieldBytes);
    EXPECT_EQ(package::readU32(&field[field.size() - 8]) ^ package::kMask, package::kCheckTag);
    EXPECT_EQ(package::readU32(&field[field.size() - 4]) ^ package::kMask, 0xCBF43926u);
    std::u16string name;
    package::EntryCheck check;
    ASSERT_TRUE(package::decodeNameField(field.data(), field.size(), name, &check));
    EXPECT_EQ(name, c.name);
    EXPECT_TRUE(check.present);
    EXPECT_EQ(check.crc32, 0xCBF43926u);
    ASSERT_TRUE(package::decodeNameField(field.data(), field.size() - 8, name, &check));
    EXPECT_FALSE(check.present) << "no extension: no check";
  }
}

}  // namespace
}  // namespace kavri
