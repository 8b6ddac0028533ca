// Settings migration (not yet converting anything).
#include "settings_migration.h"

namespace kavri {

void migrateApplicationSettings() {}

}  // namespace kavri
