// Window-free stand-in for ScopedClip: native builds of the control tree have
// no device context, so clipping always "succeeds" and does nothing.
#include "dui/core/dc_clip.h"

namespace dui {

ScopedClip::ScopedClip(HDC dc, const Rect&) : dc_(dc), ok_(true) {}
ScopedClip::~ScopedClip() = default;

}  // namespace dui
