// Framework start and stop (no framework context yet): the markup side is
// started and stopped here.
#include "framework.h"

#include "dui/markup/markup_startup.h"

namespace dui {

bool startFramework() {
  startMarkup();
  return true;
}

void shutdownFramework() { shutdownMarkup(); }

}  // namespace dui
