// Conversion of the installed application's old settings lists into the new
// files, run once at start-up before any window exists.
#pragma once

#include <string>

namespace kavri {

// Migrates the lists below the user's roaming application-data folder.
// Never throws and never shows UI; failures leave the old files in place.
void migrateApplicationSettings() noexcept;

// The same below `appDataFolder` (the folder that holds "Pelvano"), for tests.
void migrateApplicationSettings(const std::wstring& appDataFolder) noexcept;

}  // namespace kavri
