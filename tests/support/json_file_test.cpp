// JSON whole-file load and save under Wine: missing files, exact bytes, the
// empty-array rule and saves that fail without harming the target.
#include <gtest/gtest.h>

#include <windows.h>

#include "support/json.h"
#include "support/win32_handles.h"
#include "tests/helpers/file_tree.h"

namespace kavri {
namespace {

using namespace test;

TEST(JsonFile, MissingOrFolderPathThrowsAtPositionZero) {
  ScratchFolder dir(L"json_missing");
  for (const std::wstring& path : {dir / L"absent.json", dir.path()}) {
    try {
      JObject::parseFile(path);
      ADD_FAILURE() << "parsed";
    } catch (const JParseException& e) {
      EXPECT_EQ(e.position(), 0u);
    }
  }
}

TEST(JsonFile, ParsesTheWholeFileAndReportsPositionsInIt) {
  ScratchFolder dir(L"json_parse");
  ASSERT_TRUE(writeFileBytes(dir / L"a.json", "[ {b:\"\xC3\xA9\"} ]"));
  EXPECT_EQ(JObject::parseFile(dir / L"a.json").toText(), "[{\"b\":\"\\u00e9\"}]");
  ASSERT_TRUE(writeFileBytes(dir / L"bad.json", "[1,2 3]"));
  try {
    JObject::parseFile(dir / L"bad.json");
    ADD_FAILURE() << "parsed";
  } catch (const JParseException& e) {
    EXPECT_EQ(e.position(), 5u);
  }
  ASSERT_TRUE(writeFileBytes(dir / L"empty.json", ""));
  EXPECT_THROW(JObject::parseFile(dir / L"empty.json"), JParseException);
}

TEST(JsonFile, AFileHeldOpenWithoutSharingCannotBeRead) {
  ScratchFolder dir(L"json_locked");
  ASSERT_TRUE(writeFileBytes(dir / L"a.json", "[1]"));
  const UniqueFile held(::CreateFileW((dir / L"a.json").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  EXPECT_THROW(JObject::parseFile(dir / L"a.json"), JParseException);
}

TEST(JsonFile, SaveWritesExactlyTheTextAndReplacesAnOldFile) {
  ScratchFolder dir(L"json_save");
  ASSERT_TRUE(writeFileBytes(dir / L"list.json", std::string(5000, 'x')));
  const JObject list = JObject::parse("[{\"b\":2.5,\"a\":\"\xE4\xB8\xAD\"},null]");
  EXPECT_TRUE(list.saveArrayToFile(dir / L"list.json"));
  EXPECT_EQ(readTree(dir.path()), (FileTree{{L"list.json", "[{\"a\":\"\\u4e2d\",\"b\":2},null]"}}));
}

TEST(JsonFile, EmptyArrayWritesNothingAndLeavesAnExistingFile) {
  ScratchFolder dir(L"json_empty");
  ASSERT_TRUE(writeFileBytes(dir / L"old.json", "[\"earlier\"]"));
  EXPECT_TRUE(JObject(JType::Array).saveArrayToFile(dir / L"old.json"));
  EXPECT_TRUE(JObject(JType::Array).saveArrayToFile(dir / L"new.json"));
  EXPECT_EQ(readTree(dir.path()), (FileTree{{L"old.json", "[\"earlier\"]"}}));
}

TEST(JsonFile, SavingANonArrayThrowsATypeError) {
  ScratchFolder dir(L"json_type");
  try {
    JObject(JType::Object).saveArrayToFile(dir / L"x.json");
    ADD_FAILURE() << "saved";
  } catch (const JTypeException& e) {
    EXPECT_EQ(e.expected(), JType::Array);
    EXPECT_EQ(e.actual(), JType::Object);
  }
  EXPECT_TRUE(readTree(dir.path()).empty());
}

TEST(JsonFile, AFailedSaveReportsFalseAndLeavesTheTargetAsItWas) {
  ScratchFolder dir(L"json_fail");
  const JObject list = JObject::parse("[1]");
  // The target is held open without sharing: the rename over it fails.
  ASSERT_TRUE(writeFileBytes(dir / L"held.json", "[\"old\"]"));
  {
    const UniqueFile held(::CreateFileW((dir / L"held.json").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(list.saveArrayToFile(dir / L"held.json"));
  }
  // The folder does not exist: nothing can be created.
  EXPECT_FALSE(list.saveArrayToFile(dir / L"missing\\x.json"));
  // The target is a folder.
  ASSERT_TRUE(::CreateDirectoryW((dir / L"folder.json").c_str(), nullptr));
  EXPECT_FALSE(list.saveArrayToFile(dir / L"folder.json"));
  EXPECT_EQ(readTree(dir.path()), (FileTree{{L"held.json", "[\"old\"]"}, {L"folder.json\\", ""}}));
}

}  // namespace
}  // namespace kavri
