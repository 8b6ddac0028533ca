// startWork and the worker thread: a background script in a Lua state of its
// own, over the payload package named by the work request.
#include <windows.h>

#include <atomic>
#include <memory>

#include "lauxlib.h"
#include "lua.h"
#include "lualib.h"
#include "package/file_system.h"
#include "package/package_archive.h"
#include "package/payload_extractor.h"
#include "script/lua_convert.h"
#include "script/lua_work.h"
#include "script/packaged_script.h"
#include "script/script_api.h"
#include "script/system_api.h"
#include "support/debug_log.h"
#include "support/text_convert.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

// The work request: written by startWork, handed to the worker thread, which
// owns it from then on.
struct WorkRequest {
  std::wstring script;
  std::wstring package;
  std::string configuration;   // UTF-8, as the script passed it
};

std::atomic<bool> g_workRunning{false};
std::atomic<unsigned> g_workStarts{0};
CriticalSection g_failureLock;
std::string g_lastFailure;   // the last work's error, for waitWork

// Reports a failure of the background work and keeps it for waitWork.
void reportWorkFailure(const std::wstring& text) {
  {
    CriticalSectionLock hold(g_failureLock);
    g_lastFailure = wideToUtf8(text);
  }
  reportScriptError(text);
}

// The configuration argument as its bytes (a number in its string form);
// anything else is no configuration.
std::string argBytes(lua_State* L, int index) {
  const int type = lua_type(L, index);
  if (type != LUA_TSTRING && type != LUA_TNUMBER) return std::string();
  size_t length = 0;
  const char* text = lua_tolstring(L, index, &length);
  return std::string(text, length);
}

struct WorkerContext {
  WorkRequest* request;
  PayloadExtractor* extractor;
  FileSystem* fileSystem;
  WorkerPackage package;   // what listEntries() lists
};

// The configuration text becomes the global `config`: "config = " is put in
// front of it and the result run as a chunk. Empty text: nothing happens.
// Errors are ignored; `config` then stays undefined.
void runConfiguration(lua_State* L, std::string& configuration) {
  if (configuration.empty()) return;
  configuration.insert(0, "config = ");
  debugLog(utf8ToWide(configuration));
  const int top = lua_gettop(L);
  if (luaL_loadstring(L, configuration.c_str()) == LUA_OK) lua_pcall(L, 0, LUA_MULTRET, 0);
  lua_settop(L, top);
}

void runBackgroundScript(lua_State* L, const WorkerContext& context) {
  const std::string failure = runPackagedScript(L, *context.fileSystem, context.request->script);
  if (!failure.empty()) reportWorkFailure(utf8ToWide(failure));
}

// Everything that touches the worker state, run as one protected call so that
// no Lua error (memory errors included) can leave the thread.
int protectedWork(lua_State* L) {
  const auto* context = static_cast<const WorkerContext*>(lua_touserdata(L, 1));
  lua_settop(L, 0);
  try {
    luaL_openlibs(L);
    restrictRequireToPackagedFiles(L);
    registerSystemApi(L);
    LuaWork::registerWorkerApi(L, context->extractor);
    bindWorkerPackage(L, &context->package);
    runConfiguration(L, context->request->configuration);
    runBackgroundScript(L, *context);
  } catch (const std::exception& e) {   // Lua's own errors are not std::exceptions
    return luaL_error(L, "background work failed: %s", e.what());
  }
  return 0;
}

void runWork(WorkRequest& request) {
  ComScope ole(ComScope::Ole);
  if (FAILED(ole.result())) debugLogf(L"worker: OleInitialize failed: 0x%08lx", ole.result());
  FileSystem* fs = currentFileSystem();
  // The package is read entry by entry through views, never loaded whole.
  std::unique_ptr<PackageSource> source = fs ? fs->openPackage(request.package) : nullptr;
  if (!source) {
    reportWorkFailure(L"cannot load package " + request.package);
    return;
  }
  {
    PackageArchive archive(*source);
    PayloadExtractor extractor(archive);
    OwnedLuaState state(luaL_newstate());
    if (!state) {
      reportWorkFailure(L"not enough memory for the background script");
    } else {
      WorkerContext context{&request, &extractor, fs, WorkerPackage{&archive, size_t(source->size())}};
      lua_State* L = state.get();
      lua_pushcfunction(L, protectedWork);
      lua_pushlightuserdata(L, &context);
      if (lua_pcall(L, 1, 0, 0) != LUA_OK) reportWorkFailure(utf8ToWide(errorText(L, -1)));
    }
    // The state closes before the archive it extracts from goes.
  }
}

DWORD WINAPI workerMain(void* parameter) noexcept {
  std::unique_ptr<WorkRequest> request(static_cast<WorkRequest*>(parameter));
  try {
    runWork(*request);
  } catch (...) {
    debugLog(L"background work: aborted by an unexpected exception");
  }
  request.reset();
  g_workRunning.store(false);
  return 0;
}

}  // namespace

bool LuaWork::isRunning() { return g_workRunning.load(); }

unsigned LuaWork::startCount() { return g_workStarts.load(); }

std::string LuaWork::lastFailure() {
  CriticalSectionLock hold(g_failureLock);
  return g_lastFailure;
}

bool LuaWork::start(std::wstring script, std::wstring package, std::string configuration) {
  SRService& service = SRService::instance();
  // Without the service nothing would answer notifications or wait for the
  // worker at shutdown.
  if (!service.isRunning()) {
    debugLog(L"startWork: the UI-thread service is not running");
    return false;
  }
  auto request = std::make_unique<WorkRequest>(
      WorkRequest{std::move(script), std::move(package), std::move(configuration)});
  bool idle = false;
  if (!g_workRunning.compare_exchange_strong(idle, true)) {
    debugLog(L"startWork: a background work is already running; refused");
    return false;
  }
  // Suspended until the reaper has the handle: a worker that shutdown cannot
  // wait for must never run.
  UniqueHandle thread(::CreateThread(nullptr, 0, workerMain, request.get(), CREATE_SUSPENDED, nullptr));
  if (!thread) {
    logWin32Failure("CreateThread", __FILE__, __LINE__);
    g_workRunning.store(false);
    return false;
  }
  if (!service.closeWhenSignalled(thread.get())) {
    ::TerminateThread(thread.get(), 1);   // never ran a single instruction of ours
    ::WaitForSingleObject(thread.get(), INFINITE);
    g_workRunning.store(false);
    return false;
  }
  request.release();   // the worker owns it now
  {
    CriticalSectionLock hold(g_failureLock);
    g_lastFailure.clear();
  }
  g_workStarts.fetch_add(1);
  ::ResumeThread(thread.get());
  thread.release();   // the reaper closes it once the worker has ended
  return true;
}

// startWork(script name, package name, configuration text) -> true when the
// work was started; false when another work is still running (or the thread
// could not be started).
int luaStartWork(lua_State* L) {
  bool started = false;
  try {
    started = LuaWork::start(argText(L, 1), argText(L, 2), argBytes(L, 3));
  } catch (const std::exception&) {
    started = false;
  }
  lua_pushboolean(L, started);
  return 1;
}

}  // namespace kavri
