// The worker state's own globals as the background script sees them:
// extractFile answers true, or false and the Windows error number (0 for a
// missing entry), for arguments of any type without a Lua error; and
// notifyMessage answers 0, postMessage false, when no UI-thread service would
// deliver them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/package_archive.h"
#include "package/payload_extractor.h"
#include "script/lua_work.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/package_fixture.h"
#include "tests/script/lua_test_state.h"

namespace kavri::test {
namespace {

TEST(WorkerApi, ExtractFileAndNotifyMessageAnswerTheScript) {
  ScratchFolder dir(L"kavri_worker_api");
  const std::vector<uint8_t> image = buildImage({{u"dir/a.txt", bytesOf("alpha")}});
  ASSERT_FALSE(image.empty());
  PackageArchive archive(image.data(), image.size());
  PayloadExtractor extractor(archive);
  LuaTestState lua;
  LuaWork::registerWorkerApi(lua.get(), &extractor);
  lua.setText("DIR", dir.path() + L"\\");
  EXPECT_EQ(lua.run(R"lua(
    local function answer(...) return select('#', ...) .. ':' .. table.concat({tostring(...), select(2, ...)}, ' ') end
    local cases = {
      {answer(extractFile('dir\\a.txt', DIR .. 'a.txt')), '1:true'},
      {answer(extractFile('missing.txt', DIR .. 'm.txt')), '2:false 0'},
      {answer(extractFile('dir/a.txt', DIR .. 'no\\such\\x.txt')), '2:false 3'},
      {answer(extractFile()), '2:false 0'},
      {answer(extractFile({}, true)), '2:false 0'},
      {answer(notifyMessage('anyone?')), '1:0'},
      {answer(notifyMessage()), '1:0'},
      {answer(postMessage('nobody listens')), '1:false'},
    }
    for i, c in ipairs(cases) do assert(c[1] == c[2], 'case ' .. i .. ': ' .. c[1]) end
  )lua"),
            "");
  EXPECT_EQ(readFileBytes(dir / L"a.txt"), "alpha");
}

}  // namespace
}  // namespace kavri::test
