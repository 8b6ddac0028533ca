// ScopedClip over SaveDC, IntersectClipRect and RestoreDC.
#include "dui/core/dc_clip.h"

namespace dui {

ScopedClip::ScopedClip(HDC dc, const Rect& area) : dc_(dc), saved_(::SaveDC(dc)) {
  ok_ = saved_ != 0 && ::IntersectClipRect(dc, area.left, area.top, area.right, area.bottom) != ERROR;
}

ScopedClip::~ScopedClip() {
  if (saved_) ::RestoreDC(dc_, saved_);
}

}  // namespace dui
