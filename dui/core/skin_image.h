// SkinImage: a decoded skin picture in a premultiplied 32-bit DIB section, drawn
// opaque (BitBlt/StretchBlt) or alpha-blended (AlphaBlend), plain or nine-grid.
// The bytes are decoded by image_decoder.h.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

#include "dui/core/image_decoder.h"
#include "support/win32_handles.h"

namespace dui {

class SkinImage {
 public:
  SkinImage() = default;
  SkinImage(const SkinImage&) = delete;
  SkinImage& operator=(const SkinImage&) = delete;

  // Decodes an image file (decodeImage: optionally the byte 0x01, to keep the
  // decoded RGBA pixels, followed by PNG, JPEG, BMP or TGA data) into the
  // bitmap. Whatever was loaded before is released first. On failure the
  // image has no bitmap and draws nothing; the reason goes to the debugger
  // output.
  bool load(const uint8_t* bytes, size_t length);
  // Makes this image the source turned a quarter: mirrored across its
  // diagonal, so its width becomes its height, an arrow pointing up points
  // left, one pointing down points right, and light falling from the top left
  // still falls from the top left. Drawn like the source (alpha included);
  // kept pixels are not copied. False when the source has no bitmap.
  bool loadTurned(const SkinImage& source);

  // Stretches the source rectangle (0, sourceY, sourceWidth, sourceHeight)
  // into the destination rectangle (x, y, width, height). Empty rectangles and
  // sources reaching outside the image draw nothing.
  void draw(HDC dc, int x, int y, int width, int height, int sourceY, int sourceWidth, int sourceHeight) const;
  // The whole image stretched into (left, top) - (right, bottom).
  void drawInRect(HDC dc, int left, int top, int right, int bottom) const;
  // The whole image at its natural size.
  void drawAt(HDC dc, int x, int y) const;
  // Nine-grid: corners keep their size, edges stretch along one axis, the
  // centre along both. Borders are clamped to the image; when the destination
  // is smaller than two opposite borders together, those borders shrink in
  // proportion, so no piece is ever drawn with a negative size (mirrored).
  void drawNineGrid(HDC dc, int left, int top, int right, int bottom, int borderLeft, int borderTop,
                    int borderRight, int borderBottom) const;

  // A larger picture of this image for a display scale in percent
  // ("name@2x.png" is 200): drawn instead of this one where the DC's scale
  // suits it better (chooseImageVariant). Sizes, frames and nine-grid borders
  // stay in this image's units (layout units); the variant's pixels are
  // mapped onto them. Refused (false) when not larger than this image.
  bool addVariant(int percent, std::unique_ptr<SkinImage> variant);
  std::size_t variantCount() const { return variants_.size(); }
  // The picture drawn for a DC scaled to `dpi`: this image, an author's
  // variant of exactly that scale, or one resampled from the best available
  // variant (made once per scale and kept).
  const SkinImage& pictureFor(int dpi) const;

  HBITMAP bitmap() const { return bitmap_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  // True when at least one pixel has alpha below 255 (drawn with AlphaBlend).
  bool hasAlpha() const { return hasAlpha_; }
  // True when the file began with 0x01.
  bool keepsPixels() const { return keep_; }
  // The decoded, not premultiplied RGBA rows (width x height x 4 bytes), kept
  // only for files beginning with 0x01; null otherwise.
  const uint8_t* keptPixels() const { return kept_.get(); }
  // The bitmap's own premultiplied pixels, top-down rows of width() 32-bit
  // values (0xAARRGGBB); null when nothing is loaded. Read-only: the bitmap
  // is shared by every control that names the image.
  const uint32_t* premultipliedPixels() const { return bitmap_ ? bits_ : nullptr; }

 private:
  void reset();
  bool adopt(const uint32_t* premultiplied, int width, int height);
  void blit(HDC dc, HDC source, int x, int y, int w, int h, int sx, int sy, int sw, int sh) const;
  // Blits a source rectangle given in this image's units from `picture`.
  void blitFrom(const SkinImage& picture, HDC dc, HDC source, int x, int y, int w, int h, int sx, int sy, int sw,
                int sh) const;

  kavri::UniqueHbitmap bitmap_;
  const uint32_t* bits_ = nullptr;   // the DIB section's memory, owned by bitmap_
  int width_ = 0;
  int height_ = 0;
  DecodedPixels kept_;
  bool hasAlpha_ = false;
  bool keep_ = false;
  std::map<int, std::unique_ptr<SkinImage>> variants_;            // by percent
  mutable std::map<int, std::unique_ptr<SkinImage>> resampled_;   // by DPI
};

// The memory device context every image blit uses as its source: one, made
// compatible with the screen on first use, for the whole process.
HDC sharedImageDc();

}  // namespace dui
