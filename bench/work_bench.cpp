// Background-work benchmark: extracts a whole payload package through
// startWork and extractFile, the way an installer does, with one progress
// notification per file, and prints time, MB/s, peak memory and how long the
// UI thread was busy (it should be almost always idle, waiting for messages).
//
// Usage: work_bench.exe PACKAGE.lz DESTINATION_FOLDER
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "bench/script_bench_host.h"
#include "lauxlib.h"
#include "lua.h"
#include "package/package_archive.h"
#include "script/lua_work.h"
#include "support/text_convert.h"
#include "tests/helpers/bench_timer.h"
#include "tests/helpers/registry_prelude.h"

namespace kavri {
namespace {

double now() { return test::secondsNow(); }

struct UiStats {
  double busy = 0;      // seconds spent retrieving and handling messages
  double longest = 0;   // the longest single stretch
  double maxTimerGap = 0;
};
UiStats g_ui;

// waitWork(): the UI thread's loop while the work runs, with a 10 ms timer
// whose late ticks show how responsive a window would be.
int luaWaitWork(lua_State* L) {
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, nullptr);
  double lastTick = now();
  while (LuaWork::isRunning()) {
    const double start = now();
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_TIMER) {
        const double t = now();
        if (t - lastTick > g_ui.maxTimerGap) g_ui.maxTimerGap = t - lastTick;
        lastTick = t;
      }
      ::DispatchMessageW(&msg);
    }
    const double spent = now() - start;
    g_ui.busy += spent;
    if (spent > g_ui.longest) g_ui.longest = spent;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  ::KillTimer(nullptr, timer);
  return 0;
}

std::string readAll(const wchar_t* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int run(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: work_bench PACKAGE.lz DESTINATION_FOLDER\n");
    return 2;
  }
  std::string image = readAll(argv[1]);
  if (image.empty()) return std::fprintf(stderr, "cannot read the package\n"), 1;
  std::string destination = wideToUtf8(argv[2]);
  if (destination.back() != '\\') destination += '\\';

  // The background script: folders first, then every entry, one report each.
  std::set<std::string> folders;
  size_t entryCount = 0;
  const double packageMb = double(image.size()) / 1048576.0;
  std::string files = "local files = {\n";
  uint64_t bytes = 0;
  PackageArchive(image.data(), image.size()).forEachEntry([&](const std::u16string& name, const PackageArchive::EntryInfo& info) {
    const std::string entry = wideToUtf8(std::wstring(name.begin(), name.end()));
    files += "  [==[" + entry + "]==],\n";
    ++entryCount;
    bytes += info.unpackedSize ? info.unpackedSize : info.storedSize;
    for (size_t slash = entry.find('/'); slash != std::string::npos; slash = entry.find('/', slash + 1))
      folders.insert(entry.substr(0, slash));
  });
  files += "}\nlocal folders = {\n";
  for (const std::string& folder : folders) files += "  [==[" + folder + "]==],\n";
  files += "}\n";
  const std::string script = files +
      "local root = config.root\n"
      "local function path(entry) return root .. entry:gsub('/', '\\\\') end\n"
      "createDirectory(root)\n"
      "for _, folder in ipairs(folders) do createDirectory(path(folder)) end\n"
      "local failed = 0\n"
      "for i, entry in ipairs(files) do\n"
      "  if not extractFile(entry, path(entry)) then failed = failed + 1 end\n"
      "  notifyMessage(string.format('{ code = 1, index = %d, count = %d }', i, #files))\n"
      "end\n"
      "notifyMessage(string.format('{ code = 3, failed = %d }', failed))\n";

  MemoryFileSystem fs;
  // The memory file system's copy stands in for the executable's resource.
  fs.addFile(L"program.lz", std::vector<uint8_t>(image.begin(), image.end()));
  std::string().swap(image);
  fs.addFile(L"LG.lua", std::vector<uint8_t>(script.begin(), script.end()));
  fs.addFile(L"UI.lua", [&] {
    const std::string ui = test::registryPrelude() +
        " window = {} lua_addWindow(debug.getregistry().__window, window, 1)\n"
        "notifications, failed = 0, -1\n"
        "lua_setMessageHandler(debug.getregistry().__window, window, function(text)\n"
        "  local m = load('return ' .. text)()\n"
        "  notifications = notifications + 1\n"
        "  if m.code == 3 then failed = m.failed end\n"
        "  return 0\n"
        "end)\n"
        "assert(startWork('LG.lua', 'program.lz', [===[{ root = [==[" + destination + "]==] }]===]))\n"
        "waitWork()\n"
        "print(string.format('notifications: %d, failed files: %d', notifications, failed))\n"
        "io.stdout:write(string.format('notifications %d\\nfailed %d\\n', notifications, failed))\n";
    return std::vector<uint8_t>(ui.begin(), ui.end());
  }());
  if (!bench::startScriptHost(&fs)) return 1;
  lua_register(ScriptHost::instance().state(), "waitWork", luaWaitWork);

  const double start = now();
  ScriptHost::instance().runScript(L"UI.lua");
  SRService::instance().stop();
  const double seconds = now() - start;
  setCurrentFileSystem(nullptr);

  PROCESS_MEMORY_COUNTERS memory{};
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
  const double mb = double(bytes) / 1048576.0;
  std::printf("files %d\nbytes %llu\nseconds %.2f\nMB/s %.1f\n", int(entryCount),
              (unsigned long long)bytes, seconds, mb / seconds);
  std::printf("package MB %.1f\npeak working set MB %.1f\npeak private MB %.1f\n", packageMb,
              double(memory.PeakWorkingSetSize) / 1048576.0, double(memory.PeakPagefileUsage) / 1048576.0);
  std::printf("UI busy ms %.1f\nUI longest busy ms %.2f\nUI longest timer gap ms %.1f\n", g_ui.busy * 1000,
              g_ui.longest * 1000, g_ui.maxTimerGap * 1000);
  return 0;
}

}  // namespace
}  // namespace kavri

int wmain(int argc, wchar_t** argv) { return kavri::run(argc, argv); }
