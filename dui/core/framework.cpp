// Framework start and stop (no framework context yet).
#include "framework.h"

namespace dui {

bool startFramework() { return true; }
void shutdownFramework() {}

}  // namespace dui
