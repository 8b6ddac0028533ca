// The installer's start-up and teardown, in their fixed order.
#pragma once

#include <windows.h>

namespace kavri {

// Packaged file names and their resource ids.
struct PackagedFile {
  const wchar_t* name;
  unsigned id;
};
inline constexpr PackagedFile kPackagedFiles[] = {
    {L"UI.lua", 111}, {L"frame.lz", 113}, {L"LG.lua", 114}, {L"program.lz", 115}, {L"style.lz", 116}};

inline constexpr wchar_t kNoticeCaption[] = L"提示";
inline constexpr wchar_t kAlreadyRunningText[] = L"检测到Kavri安装或卸载程序正在运行，请结束后重试。";
inline constexpr wchar_t kRestartPendingText[] = L"检测到Kavri安装或卸载操作尚未完成，需要重启电脑。";
inline constexpr wchar_t kCannotStartText[] = L"Kavri安装或卸载程序无法启动：界面初始化失败。";
inline constexpr wchar_t kSetupDamagedText[] = L"Kavri安装或卸载程序的文件已损坏，请重新下载后再运行。";

// Exit codes of a run that never reached the script (a silent install must
// not read them as success): the UI framework or the script state cannot be
// started, another installer or uninstaller runs, a restart is pending, the
// setup file is damaged.
inline constexpr int kExitCannotStart = 2;
inline constexpr int kExitAlreadyRunning = 3;
inline constexpr int kExitRestartPending = 4;
// The setup file is damaged (its checksum does not match): the Windows error
// "installation package invalid", a value no script exit code uses.
inline constexpr int kExitSetupDamaged = 1620;

// Runs the whole installer: guards, initialisation, "UI.lua", teardown.
// Returns the process's exit code: UI.lua's (see ScriptHost::runScript), or
// one of the four above.
int runInstaller(HMODULE module);

}  // namespace kavri
