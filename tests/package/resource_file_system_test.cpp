// ResourceFileSystem: loads from the test executable's own resources.
#include "package/resource_file_system.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kavri {
namespace {

TEST(ResourceFileSystem, LoadsRegisteredResourcesWithFourZeroBytes) {
  ResourceFileSystem fs(::GetModuleHandleW(nullptr));
  fs.registerName(L"text.txt", 200);
  fs.registerName(L"empty.txt", 201);
  fs.registerName(L"missing.txt", 299);

  size_t size = 0;
  HeapBuffer text = fs.loadFile(L"text.txt", &size);
  ASSERT_TRUE(text);
  const char expected[] = "line one\r\nline two";
  ASSERT_EQ(size, sizeof(expected) - 1);
  EXPECT_EQ(std::memcmp(text.get(), expected, size), 0);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(text[size + i], 0) << "terminator byte " << i;

  size = 99;
  HeapBuffer empty = fs.loadFile(L"empty.txt", &size);
  ASSERT_TRUE(empty);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(std::memcmp(empty.get(), "\0\0\0\0", 4), 0);

  struct Absent {
    const wchar_t* name;
  };
  for (const Absent& a : {Absent{L"missing.txt"}, Absent{L"unregistered"}, Absent{L"TEXT.TXT"}}) {
    size = 77;
    EXPECT_FALSE(fs.loadFile(a.name, &size)) << a.name;
    EXPECT_EQ(size, 77u) << a.name;
  }
}

TEST(ResourceFileSystem, RegisterNameReplacesTheId) {
  ResourceFileSystem fs(::GetModuleHandleW(nullptr));
  fs.registerName(L"f", 299);
  fs.registerName(L"f", 200);
  size_t size = 0;
  EXPECT_TRUE(fs.loadFile(L"f", &size));
  EXPECT_EQ(size, 18u);
}

}  // namespace
}  // namespace kavri
