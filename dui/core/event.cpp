// Routing table of the event codes.
#include "dui/core/event.h"

namespace dui {

Routing defaultRouting(std::uint32_t code) {
  switch (code) {
    case events::PrevKeyDown:
    case events::PrevKeyUp:
    case events::PrevKeyPress:
    case events::PrevLButtonDown:
    case events::PrevLButtonUp:
    case events::PrevRButtonDown:
    case events::PrevRButtonUp:
    case events::PrevMouseWheel:
      return Routing::Tunnel;
    case events::KeyDown:
    case events::KeyUp:
    case events::KeyPress:
    case events::LButtonDown:
    case events::LButtonUp:
    case events::RButtonDown:
    case events::RButtonUp:
    case events::MouseWheel:
    case events::MouseMove:
      return Routing::Bubble;
    default:
      return Routing::Direct;
  }
}

}  // namespace dui
