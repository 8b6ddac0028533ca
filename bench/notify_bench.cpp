// Report round-trip benchmark: what one report of the background script costs
// the worker, without any file work around it. The worker sends N reports in
// a row (notifyMessage, which waits for the answer, or postMessage, which does
// not); the UI thread waits in a GetMessage loop as the modal loop does. Each
// variant prints microseconds per report, measured on the UI side from
// startWork to the last report:
//   notify, empty handler   the mechanism alone: queue, wake-up, hook, answer
//   notify, parse handler   the handler reads the report with load() as the
//                           benchmark installer's does
//   post, empty handler     reports nobody waits for
//   post, parse handler
//
// Usage: notify_bench.exe [REPORTS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/script_bench_host.h"
#include "dui/core/message_wait.h"
#include "lauxlib.h"
#include "lua.h"
#include "script/lua_work.h"
#include "script/notification_delivery.h"
#include "tests/helpers/bench_timer.h"
#include "tests/helpers/registry_prelude.h"
#include "tools/lzpack/package_builder.h"

namespace kavri {
namespace {

bool g_finished = false;

// finish(): the handler saw the last report; pump() returns.
int luaFinish(lua_State*) {
  g_finished = true;
  ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP, 0, 0);   // wakes GetMessage
  return 0;
}

// pump(): the modal loop's way of waiting, until finish() was called.
int luaPump(lua_State*) {
  MSG msg;
  while (!g_finished && dui::getMessageOrWork(&msg) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}

// The reports go straight to the script's global onReport(text), as a
// window's message handler would get them (without the window lookup).
int deliverToScript(const char* text, void*) noexcept {
  lua_State* L = ScriptHost::instance().state();
  lua_getglobal(L, "onReport");
  lua_pushstring(L, text);
  if (lua_pcall(L, 1, 1, 0) != LUA_OK) {
    std::fprintf(stderr, "error: %s\n", lua_tostring(L, -1));
    lua_pop(L, 1);
    return 0;
  }
  const int answer = static_cast<int>(lua_tointeger(L, -1));
  lua_pop(L, 1);
  return answer;
}

// now(): seconds, for the UI script's timing.
int luaNow(lua_State* L) {
  lua_pushnumber(L, test::secondsNow());
  return 1;
}

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

int run(int argc, wchar_t** argv) {
  const int reports = argc > 1 ? std::max(1, _wtoi(argv[1])) : 20000;

  std::vector<uint8_t> package;
  std::string error;
  if (!package::buildPackage({{u"empty.txt", {}}}, {}, package, error)) {
    std::fprintf(stderr, "cannot build the package: %s\n", error.c_str());
    return 1;
  }
  MemoryFileSystem fs;
  fs.addFile(L"program.lz", std::move(package));
  fs.addFile(L"LG.lua", bytesOf(
      "local send = config.post and postMessage or notifyMessage\n"
      "for i = 1, config.count - 1 do\n"
      "  send(string.format('{ code = 1, file = %q, index = %d, count = %d, percent = %d }',\n"
      "    'data/folder/file.bin', i, config.count, math.floor(i * 100 / config.count)))\n"
      "end\n"
      "notifyMessage('{ code = 3 }')\n"));
  fs.addFile(L"UI.lua", bytesOf(test::registryPrelude() + "\n" +
      "local parse\n"
      "function onReport(text)\n"
      "  if parse then\n"
      "    local report = load('return ' .. text)()\n"
      "    if report.code == 3 then finish() end\n"
      "  elseif text == '{ code = 3 }' then\n"
      "    finish()\n"
      "  end\n"
      "  return 0\n"
      "end\n"
      "for _, variant in ipairs({ { 'notify, empty handler', false, false }, { 'notify, parse handler', false, true },\n"
      "                          { 'post, empty handler', true, false }, { 'post, parse handler', true, true } }) do\n"
      "  parse = variant[3]\n"
      "  local started = now()\n"
      "  assert(startWork('LG.lua', 'program.lz', string.format('{ count = " + std::to_string(reports) +
      ", post = %s }', tostring(variant[2]))))\n"
      "  pump()\n"
      "  local seconds = now() - started\n"
      "  io.stdout:write(string.format('%-24s %7.1f us per report\\n', variant[1], seconds * 1e6 / " +
      std::to_string(reports) + "))\n"
      "  while workRunning() do pump_once() end\n"
      "  finishedReset()\n"
      "end\n"));
  if (!bench::startScriptHost(&fs)) return 1;
  lua_State* L = ScriptHost::instance().state();
  lua_register(L, "finish", luaFinish);
  lua_register(L, "pump", luaPump);
  lua_register(L, "now", luaNow);
  lua_register(L, "pump_once", [](lua_State*) -> int {
    ::Sleep(1);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    return 0;
  });
  lua_register(L, "finishedReset", [](lua_State*) -> int {
    g_finished = false;
    return 0;
  });
  lua_register(L, "workRunning", [](lua_State* S) -> int {
    lua_pushboolean(S, LuaWork::isRunning());
    return 1;
  });

  redirectNotifications({deliverToScript, nullptr});
  std::printf("%d reports per variant\n", reports);
  std::fflush(stdout);
  ScriptHost::instance().runScript(L"UI.lua");
  redirectNotifications({});
  SRService::instance().stop();
  setCurrentFileSystem(nullptr);
  return 0;
}

}  // namespace
}  // namespace kavri

int wmain(int argc, wchar_t** argv) { return kavri::run(argc, argv); }
