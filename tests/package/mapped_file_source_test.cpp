// MappedFileSource over an open file handle: views inside and across its
// mapping windows, ranges it refuses, and the loaded copy it answers
// viewLoaded from.
#include "package/mapped_file_source.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/win32_handles.h"
#include "tests/helpers/file_tree.h"

namespace kavri::test {
namespace {

TEST(MappedFileSource, ReadsThroughTheHandleItWasGiven) {
  ScratchFolder dir(L"kavri_mapped_source");
  const std::wstring path = dir / L"package.bin";
  std::string bytes(2 * MappedFileSource::kWindow + 12345, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 31 + (i >> 12));
  ASSERT_TRUE(writeFileBytes(path, bytes));
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);

  // The package: all but the file's first 100 and last 50 bytes.
  const uint64_t offset = 100, size = bytes.size() - 150;
  std::unique_ptr<MappedFileSource> source = MappedFileSource::open(file.get(), offset, size);
  ASSERT_TRUE(source);
  EXPECT_EQ(source->size(), size);
  struct Case {
    const char* what;
    uint64_t at;
    size_t length;
    bool inside;
  };
  const size_t window = MappedFileSource::kWindow;
  const Case cases[] = {
      {"the first bytes", 0, 16, true},
      {"a whole window", 0, window, true},
      {"across a window boundary", window - 8, 16, true},
      {"in the second window", window + 5, 1000, true},
      {"the last byte", size - 1, 1, true},
      {"past the end", size - 8, 16, false},
      {"beyond the end", size + 1, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PackageView view = source->view(c.at, c.length);
    ASSERT_EQ(bool(view), c.inside);
    if (c.inside) {
      EXPECT_EQ(std::memcmp(view.data(), bytes.data() + offset + c.at, c.length), 0);
    }
  }
  EXPECT_EQ(std::memcmp(source->viewLoaded(10, 4).data(), bytes.data() + offset + 10, 4), 0)
      << "without a loaded copy, viewLoaded reads the file";

  // Given the loaded copy, viewLoaded answers from it.
  std::unique_ptr<MappedFileSource> withCopy = MappedFileSource::open(file.get(), offset, size, bytes.data() + offset);
  ASSERT_TRUE(withCopy);
  EXPECT_EQ(withCopy->viewLoaded(1000, 8).data(), reinterpret_cast<const uint8_t*>(bytes.data() + offset + 1000));
  EXPECT_FALSE(withCopy->viewLoaded(size - 4, 8));

  // The mapping keeps what it maps: the source outlives the handle.
  file.reset();
  PackageView late = source->view(size - 100, 100);
  ASSERT_TRUE(late);
  EXPECT_EQ(std::memcmp(late.data(), bytes.data() + offset + size - 100, 100), 0);
}

TEST(MappedFileSource, RefusesRangesTheFileDoesNotHold) {
  ScratchFolder dir(L"kavri_mapped_refusals");
  const std::wstring path = dir / L"small.bin";
  ASSERT_TRUE(writeFileBytes(path, std::string(1000, 'x')));
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  struct Case {
    const char* what;
    HANDLE handle;
    uint64_t offset, size;
  };
  const Case cases[] = {
      {"longer than the file", file.get(), 0, 1001},
      {"starting past its end", file.get(), 1001, 1},
      {"empty", file.get(), 0, 0},
      {"no file", INVALID_HANDLE_VALUE, 0, 10},
  };
  for (const Case& c : cases) EXPECT_FALSE(MappedFileSource::open(c.handle, c.offset, c.size)) << c.what;
  EXPECT_TRUE(MappedFileSource::open(file.get(), 0, 1000));
}

}  // namespace
}  // namespace kavri::test
