// UI-thread service (no queued work yet).
#include "sr_service.h"

namespace kavri {

SRService& SRService::instance() {
  static SRService service;
  return service;
}

bool SRService::start() { return true; }
void SRService::stop() {}

}  // namespace kavri
