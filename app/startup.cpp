// Start-up and teardown order of the installer process.
#include "startup.h"

#include <shellapi.h>

#include "dui/core/framework.h"
#include "dui/markup/markup_startup.h"
#include "dui/markup/text_variables.h"
#include "package/module_file.h"
#include "package/resource_file_system.h"
#include "script/packaged_script.h"
#include "script/script_host.h"
#include "script/sr_service.h"
#include "support/debug_log.h"
#include "support/instance_guard.h"
#include "support/product_strings.h"
#include "support/settings_migration.h"
#include "support/system_seam.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

// Whether the command line holds "/S" (any case) as an argument of its own:
// a silent install or uninstall, which nobody watches. The boxes the host
// shows before the script runs (another installer runs, a restart is
// pending, the script cannot start, the setup file is damaged) would wait
// there for ever; with "/S" their reason goes to the debugger output and the
// exit code only.
bool silentCommandLine() {
  int count = 0;
  UniqueHlocal argv(reinterpret_cast<HLOCAL>(::CommandLineToArgvW(::GetCommandLineW(), &count)));
  const auto* words = static_cast<wchar_t* const*>(static_cast<void*>(argv.get()));
  for (int i = 1; words && i < count; ++i)
    if (::lstrcmpiW(words[i], L"/S") == 0) return true;
  return false;
}

void noticeBeforeScript(const std::wstring& text, const wchar_t* caption) {
  debugLog(L"installer: " + text);
  if (!silentCommandLine()) systemSeam().messageBox(nullptr, text.c_str(), caption, MB_OK);
}

// The installer cannot run its script: say so (a silent exit with 0 would
// read as success), unless a silent install asked for no boxes.
void reportCannotStart(const wchar_t* why, const std::wstring& productName) {
  debugLog(std::wstring(L"installer cannot start: ") + why);
  if (!scriptErrorsSilent() && !silentCommandLine())
    systemSeam().messageBox(nullptr, hostBoxText(HostBox::CannotStart, productName).c_str(), kErrorCaption, MB_OK);
}

std::wstring loadString(HMODULE module, unsigned id) {
  const wchar_t* text = nullptr;
  // With a zero length LoadStringW answers a pointer into the resource
  // itself (not terminated) and the text's length.
  const int length = ::LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
  return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

}  // namespace

std::wstring hostBoxText(HostBox box, const std::wstring& productName) {
  switch (box) {
    case HostBox::AlreadyRunning:
      return L"检测到" + productName + L"安装或卸载程序正在运行，请结束后重试。";
    case HostBox::RestartPending:
      return L"检测到" + productName + L"安装或卸载操作尚未完成，需要重启电脑。";
    case HostBox::CannotStart:
      return productName + L"安装或卸载程序无法启动：界面初始化失败。";
    case HostBox::SetupDamaged:
      return productName + L"安装或卸载程序的文件已损坏，请重新下载后再运行。";
  }
  return std::wstring();
}

ProductStrings readProductStrings(HMODULE module) {
  return {loadString(module, kProductNameString), loadString(module, kProductIdString),
          loadString(module, kProductVersionString), loadString(module, kProductPublisherString)};
}

std::wstring instanceMutexName(const std::wstring& productId) {
  return productId.empty() ? std::wstring(kInstanceMutexName) : L"Global\\" + productId + L".Installer";
}

int runInstaller(HMODULE module) {
  // Guards: a second instance or a pending restart ends the run at once,
  // before anything is initialised or touched.
  const ProductStrings product = readProductStrings(module);
  if (acquireInstanceMutex(instanceMutexName(product.id).c_str()) == InstanceResult::AlreadyRunning) {
    noticeBeforeScript(hostBoxText(HostBox::AlreadyRunning, product.name), kNoticeCaption);
    return kExitAlreadyRunning;
  }
  if (isRestartPending()) {
    noticeBeforeScript(hostBoxText(HostBox::RestartPending, product.name), kNoticeCaption);
    return kExitRestartPending;   // the mutex stays held until the process ends
  }

  // The setup file, held from here to the end so that nobody can change,
  // rename or delete it, once it is proved to be the file that was started;
  // the payload is read through it. A file that is not held is never read:
  // packages are then read from the loaded image. A held file is checked
  // whole against the checksum the build wrote, before the settings are
  // migrated or the script runs; one that cannot be read whole counts as
  // damaged too (its payload could not be read either).
  ModuleFile setupFile;
  if (setupFile.pin(module) == ModuleFile::Pin::Pinned) {
    switch (setupFile.verifyChecksum()) {
      case ModuleFile::Checksum::Intact:
        break;
      case ModuleFile::Checksum::NotRecorded:
        debugLog(L"installer: the setup file carries no checksum; not checked");
        break;
      case ModuleFile::Checksum::Damaged:
      case ModuleFile::Checksum::Unreadable:
        noticeBeforeScript(hostBoxText(HostBox::SetupDamaged, product.name), kErrorCaption);
        return kExitSetupDamaged;
    }
  }

  migrateApplicationSettings();

  ResourceFileSystem fileSystem(module, &setupFile);
  setCurrentFileSystem(&fileSystem);
  for (const PackagedFile& file : kPackagedFiles) fileSystem.registerName(file.name, file.id);

  int exitCode = kExitCannotStart;
  {
    ComScope ole(ComScope::Ole);
    if (FAILED(ole.result())) debugLogf(L"OleInitialize failed: 0x%08lx", ole.result());

    SRService::instance().start();
    if (dui::startFramework()) {
      dui::startMarkup();   // skins and layouts plugged into the framework
      // Layouts name the product as "{product.name}" and the like.
      dui::setTextVariable(L"product.name", product.name);
      dui::setTextVariable(L"product.version", product.version);
      dui::setTextVariable(L"product.publisher", product.publisher);
      if (!dui::openSkinPackage(L"style.lz")) debugLog(L"skin package \"style.lz\" could not be opened");
      if (!dui::openLayoutPackage(L"frame.lz")) debugLog(L"layout package \"frame.lz\" could not be opened");
      if (ScriptHost::instance().createState())
        exitCode = ScriptHost::instance().runScript(L"UI.lua");
      else
        reportCannotStart(L"the script state could not be created", product.name);
    } else {
      reportCannotStart(L"the UI framework failed to start", product.name);
    }
    dui::shutdownMarkup();      // the layout package, then fonts, images and styles
    dui::shutdownFramework();   // then the deferred calls still queued
    SRService::instance().stop();
  }   // OLE is uninitialised here, after everything that used it has stopped
  releaseInstanceMutex();
  setCurrentFileSystem(nullptr);
  fileSystem.clearNames();
  return exitCode;
}

}  // namespace kavri
