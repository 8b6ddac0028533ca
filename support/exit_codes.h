// The exit codes the host gives itself, before or around the script. One
// table with the scripts' own (installer/shared.lua, shared.EXIT): no two
// outcomes share a number, so a deployment tool can tell them apart. Where a
// Windows Installer code says the same, it is that code, since deployment
// tools know them (1618: try again later).
#pragma once

namespace kavri {

// A script error ended UI.lua and the script had set no other code.
inline constexpr int kExitScriptError = 1;
// A restart is still pending from an earlier install or uninstall
// (ERROR_FAIL_NOACTION_REBOOT: no action was taken, a restart is required).
inline constexpr int kExitRestartPending = 350;
// Another installer or uninstaller runs (ERROR_INSTALL_ALREADY_RUNNING).
inline constexpr int kExitAlreadyRunning = 1618;
// The UI framework or the script state cannot be started
// (ERROR_INSTALL_UI_FAILURE).
inline constexpr int kExitCannotStart = 1621;
// The setup file is damaged: it does not sum to the checksum in its header
// (ERROR_INSTALL_PACKAGE_INVALID).
inline constexpr int kExitSetupDamaged = 1620;

}  // namespace kavri
