// Narrowing a device context's clip to one control while it paints.
#pragma once

#include "dui/core/gdi_types.h"
#include "dui/core/geometry.h"

namespace dui {

// Saves the device context state and intersects its clip with `area`
// (logical coordinates); the destructor restores the saved state.
class ScopedClip {
 public:
  ScopedClip(HDC dc, const Rect& area);
  ~ScopedClip();
  ScopedClip(const ScopedClip&) = delete;
  ScopedClip& operator=(const ScopedClip&) = delete;

  // False when the clip could not be set: the control is then not painted.
  bool ok() const { return ok_; }

 private:
  HDC dc_;
  int saved_ = 0;
  bool ok_ = false;
};

}  // namespace dui
