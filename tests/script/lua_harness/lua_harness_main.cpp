// One GoogleTest case per Lua test script: every "*_test.lua" in the suite
// folders under the Lua test root becomes "<suite>.<script>"; each failed
// check of the script is a failure of its case.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/text_convert.h"
#include "tests/script/lua_harness/lua_harness.h"

namespace kavri::test {
namespace fs = std::filesystem;
namespace {

class LuaScriptTest : public ::testing::Test {
 public:
  explicit LuaScriptTest(fs::path script) : script_(std::move(script)) {}

  void TestBody() override {
    const LuaRunResult result = runLuaTest(script_);
    const std::string file = script_.u8string();
    ASSERT_TRUE(result.setupFailure.empty()) << result.setupFailure;
    EXPECT_FALSE(result.timedOut) << "the script did not end in time (a dialog nobody ended?)";
    for (const LuaCheck& check : result.checks)
      if (!check.passed) ADD_FAILURE_AT(file.c_str(), check.line) << check.name;
    if (result.expectsError) {
      ASSERT_EQ(result.errorReports.size(), 1u) << "expected exactly one script error";
      EXPECT_NE(wideToUtf8(result.errorReports[0]).find(result.expectedError), std::string::npos)
          << "error \"" << wideToUtf8(result.errorReports[0]) << "\" does not mention \"" << result.expectedError
          << "\"";
    } else {
      for (const std::wstring& report : result.errorReports) ADD_FAILURE() << "script error: " << wideToUtf8(report);
      EXPECT_FALSE(result.checks.empty()) << "the script ran no checks";
    }
    EXPECT_EQ(result.windowsLeft, 0u) << "windows left open after the script ended";
  }

 private:
  fs::path script_;
};

void registerLuaTests(const fs::path& root) {
  std::vector<fs::path> scripts;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string name = item.path().filename().u8string();
    if (item.is_regular_file() && name.size() > 9 && name.substr(name.size() - 9) == "_test.lua")
      scripts.push_back(item.path());
  }
  std::sort(scripts.begin(), scripts.end());
  for (const fs::path& script : scripts) {
    const std::string suite = script.parent_path().filename().u8string();
    const std::string name = script.stem().u8string();
    ::testing::RegisterTest(suite.c_str(), name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                            [script]() -> ::testing::Test* { return new LuaScriptTest(script); });
  }
}

}  // namespace
}  // namespace kavri::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  kavri::test::registerLuaTests(KAVRI_LUA_TEST_ROOT);
  return RUN_ALL_TESTS();
}
