// Resizing a premultiplied 32-bit picture with filtering (window-free): the
// skin image at a display scale no author-supplied variant matches.
#pragma once

#include <cstdint>

namespace dui {

// Resamples `source` (width x height, top-down rows of premultiplied
// 0xAARRGGBB) into `target` (targetWidth x targetHeight). Each target pixel is
// the area-weighted average of the source pixels its footprint covers when
// shrinking, and a bilinear blend of the nearest four when enlarging, so edges
// stay smooth and flat areas keep their exact colour. False (target untouched)
// for an empty or null side.
bool resamplePremultiplied(const std::uint32_t* source, int width, int height, std::uint32_t* target,
                           int targetWidth, int targetHeight);

}  // namespace dui
