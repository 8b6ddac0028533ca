// Conversion of the installed application's old settings lists into the new
// files, run once at start-up before any window exists.
#pragma once

namespace kavri {

// Never throws and never shows UI; failures leave the old files in place.
void migrateApplicationSettings();

}  // namespace kavri
