// The installer's start-up and teardown, in their fixed order.
#pragma once

#include <windows.h>

#include "support/exit_codes.h"

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

// Runs the whole installer: guards, initialisation, "UI.lua", teardown.
// Returns the process's exit code: UI.lua's (see ScriptHost::runScript), or
// the host's own for a run that never reached the script (support/exit_codes.h:
// a silent install must not read them as success).
int runInstaller(HMODULE module);

}  // namespace kavri
