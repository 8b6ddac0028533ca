// Running one Lua test: packages from the suite folder, the framework and the
// script host started as the program starts them, the script run as "UI.lua".
#include "tests/script/lua_harness/lua_harness.h"

#include <windows.h>
#include <ole2.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "dui/core/framework.h"
#include "dui/core/window_base.h"
#include "dui/markup/markup_startup.h"
#include "package/file_system.h"
#include "script/script_host.h"
#include "tests/helpers/file_tree.h"
#include "tests/helpers/package_fixture.h"
#include "tests/helpers/registry_prelude.h"
#include "tests/script/lua_harness/lua_harness_api.h"
#include "tests/script/lua_test_state.h"
#include "tools/lzpack/package_builder.h"

namespace kavri::test {
namespace fs = std::filesystem;
namespace {

// Every file under `folder`, named by its relative path with '/' separators.
bool packFolder(const fs::path& folder, std::vector<uint8_t>& image, std::string& error) {
  std::vector<package::PackageEntry> entries;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    if (!item.is_regular_file()) continue;
    std::u16string name = fs::relative(item.path(), folder).generic_u16string();
    entries.push_back({std::move(name), bytesOf(readFileBytes(item.path().wstring()))});
  }
  return package::buildPackage(std::move(entries), package::BuildOptions{}, image, error);
}

// A quit message left by an aborted modal loop must not reach the next test.
void dropQuitMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

// Ends a script that hangs (a dialog nobody ends) by posting the quit message
// to the UI thread after the time limit: the modal loops unwind and the run
// ends as a failure instead of blocking the whole test executable.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds limit)
      : thread_(::GetCurrentThreadId()), worker_([this, limit] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!done_cv_.wait_for(lock, limit, [this] { return done_; })) {
            fired_ = true;
            ::PostThreadMessageW(thread_, WM_QUIT, 0, 0);
          }
        }) {}
  ~Watchdog() { stop(); }
  void stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    done_cv_.notify_all();
    if (worker_.joinable()) worker_.join();
  }
  bool fired() const { return fired_; }

 private:
  DWORD thread_;
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  bool fired_ = false;
  std::thread worker_;
};

constexpr std::chrono::seconds kScriptTimeLimit{90};

// OLE for the run, as the program's start-up initialises it (the embedded
// browser needs it).
class OleForRun {
 public:
  OleForRun() : initialised_(SUCCEEDED(::OleInitialize(nullptr))) {}
  ~OleForRun() {
    if (initialised_) ::OleUninitialize();
  }
  OleForRun(const OleForRun&) = delete;
  OleForRun& operator=(const OleForRun&) = delete;

 private:
  bool initialised_;
};

// The demo installer's modules (its "<name>.lua" files besides UI.lua and
// LG.lua, and the product module the build writes from its product file) as
// packaged files, so that a test's `require "<name>"` finds them as the
// installer's scripts do.
void addInstallerModules(MemoryFileSystem& files) {
  for (const auto& item : fs::directory_iterator(fs::path(KAVRI_INSTALLER_DIR))) {
    const fs::path name = item.path().filename();
    if (!item.is_regular_file() || name.extension() != ".lua" || name == "UI.lua" || name == "LG.lua") continue;
    files.addFile(name.wstring(), bytesOf(readFileBytes(item.path().wstring())));
  }
  files.addFile(L"product.lua", bytesOf(readFileBytes(fs::path(KAVRI_DEMO_PRODUCT_MODULE).wstring())));
}

}  // namespace

LuaRunResult runLuaTest(const fs::path& script) {
  LuaRunResult result;
  const fs::path suite = script.parent_path();
  MemoryFileSystem files;
  std::string ui = registryPrelude() + " " + readFileBytes(script.wstring());
  files.addFile(L"UI.lua", std::vector<uint8_t>(ui.begin(), ui.end()));
  addInstallerModules(files);
  for (const char* package : {"frame", "style"}) {
    if (!fs::is_directory(suite / package)) continue;
    std::vector<uint8_t> image;
    std::string error;
    if (!packFolder(suite / package, image, error)) {
      result.setupFailure = std::string("cannot pack ") + package + ": " + error;
      return result;
    }
    files.addFile(fs::path(std::string(package) + ".lz").wstring(), std::move(image));
  }

  setCurrentFileSystem(&files);
  OleForRun ole;
  RecordingSeam seam;   // message boxes are recorded and answered IDOK, never shown
  ScriptHost& host = ScriptHost::instance();
  if (!dui::startFramework()) {
    result.setupFailure = "the UI framework did not start";
  } else {
    dui::startMarkup();
    dui::openSkinPackage(L"style.lz");
    dui::openLayoutPackage(L"frame.lz");
    if (!host.createState()) {
      result.setupFailure = "the script state could not be created";
    } else {
      registerHarnessApi(host.state(), &result);
      Watchdog watchdog(kScriptTimeLimit);
      host.runScript(L"UI.lua");
      watchdog.stop();
      if (watchdog.fired()) result.timedOut = true;
    }
  }
  dropQuitMessages();
  result.windowsLeft = dui::liveWindowCount();
  dui::shutdownMarkup();
  dui::shutdownFramework();
  result.errorReports = RecordingSeam::scriptErrors;
  setCurrentFileSystem(nullptr);
  return result;
}

}  // namespace kavri::test
