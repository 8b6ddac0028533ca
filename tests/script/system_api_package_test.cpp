// listEntries: a package's entries with their unpacked sizes in package
// order, for the worker's own package and for a named packaged file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/package_format.h"
#include "tests/helpers/package_fixture.h"
#include "tests/script/work_fixture.h"

namespace kavri::test {
namespace {

// listEntries: the payload's names and unpacked sizes in package order, from
// the worker (its own package) and from the UI (a named packaged file), and a
// clear failure for a damaged or missing package.
TEST_F(WorkTest, ListEntriesDescribesAPackageInItsOwnOrder) {
  test::ImageAssembler assembler;   // stored entries, deliberately not in name order
  assembler.addStored(u"z/last.txt", test::bytesOf("12345"));
  assembler.addStored(u"a.txt", {});
  assembler.addStored(u"文档/说明.txt", test::bytesOf("说明"));
  const std::vector<uint8_t> image = assembler.finish();
  files_.addFile(L"program.lz", image);
  files_.addFile(L"packed.lz", test::buildImage({{u"small.txt", test::bytesOf("x")},
                                                 {u"big.bin", test::bytesOf(std::string(300000, 'b'))}}));
  const std::vector<uint8_t> empty = test::buildImage({});
  ASSERT_EQ(empty.size(), 8u);
  files_.addFile(L"empty.lz", empty);
  std::vector<uint8_t> truncated(image.begin(), image.end() - 1);
  files_.addFile(L"truncated.lz", truncated);
  std::vector<uint8_t> outside = image;   // the first record's data offset points past the end
  package::writeU32(outside.data() + assembler.data.size() + 4, uint32_t(image.size() + 100));
  files_.addFile(L"outside.lz", outside);

  const std::string describe =
      "function describe(list, message)\n"
      "  if not list then return 'nil: ' .. tostring(message) end\n"
      "  local parts = {}\n"
      "  for i, e in ipairs(list) do parts[i] = e.name .. '=' .. e.size end\n"
      "  return table.concat(parts, ',')\n"
      "end\n";
  setWorkerScript(describe +
                  "notifyMessage(describe(listEntries()))\n"
                  "notifyMessage(describe(listEntries('packed.lz')))\n");
  runUi(describe +
        "local function expect(got, wanted)\n"
        "  assert(got:find(wanted, 1, true) == 1, got .. ' (wanted ' .. wanted .. ')')\n"
        "end\n"
        "expect(describe(listEntries('program.lz')), 'z/last.txt=5,a.txt=0,文档/说明.txt=6')\n"
        "expect(describe(listEntries('packed.lz')), 'big.bin=300000,small.txt=1')\n"
        "expect(describe(listEntries('empty.lz')), '')\n"
        "expect(describe(listEntries('truncated.lz')), 'nil: the package is damaged')\n"
        "expect(describe(listEntries('outside.lz')), 'nil: the package is damaged')\n"
        "expect(describe(listEntries('absent.lz')), 'nil: listEntries: cannot load package absent.lz')\n"
        "expect(describe(listEntries()), 'nil: listEntries: no package named')\n"
        "assert(startWork('LG.lua', 'program.lz', ''))\n"
        "assert(waitWork())\n"
        "expect(received[1], 'z/last.txt=5,a.txt=0,文档/说明.txt=6')\n"
        "expect(received[2], 'big.bin=300000,small.txt=1')\n");
  expectNoErrors(uiErrors());
  expectNoErrors(workErrors());
}

}  // namespace
}  // namespace kavri::test
