// Skin images in premultiplied DIB sections: made from the decoder's pixels,
// and drawn plain, stretched or as nine-grids.
#include "skin_image.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "dui/core/dpi_window.h"
#include "dui/core/image_resample.h"
#include "dui/core/msimg.h"
#include "support/debug_log.h"
#include "support/win32_handles.h"

namespace dui {

namespace {

// Two opposite borders (left/right or top/bottom) of a nine-grid.
struct BorderPair {
  int first;
  int second;
};

// Borders that fit a side: none negative and, when the side cannot hold both,
// both shrunk in proportion.
BorderPair fitBorders(int side, int first, int second) {
  const int a = std::max(first, 0), b = std::max(second, 0);
  const int64_t total = int64_t(a) + b;
  if (total <= side) return {a, b};
  const int shrunk = int(int64_t(side) * a / total);
  return {shrunk, side - shrunk};
}

bool warnedNoAlphaBlend = false;

// A top-down 32-bit DIB section of w x h pixels, and its memory.
kavri::UniqueHbitmap makeDib(int w, int h, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;   // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = DWORD(w) * DWORD(h) * 4;
  *bits = nullptr;
  kavri::UniqueHbitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
  if (!bitmap || !*bits) {
    kavri::logWin32Failure("CreateDIBSection", __FILE__, __LINE__);
    return kavri::UniqueHbitmap();
  }
  return bitmap;
}

}  // namespace

HDC sharedImageDc() {
  static kavri::UniqueHdc dc(::CreateCompatibleDC(nullptr));
  return dc.get();
}

void SkinImage::reset() {
  variants_.clear();
  resampled_.clear();
  bitmap_.reset();
  bits_ = nullptr;
  kept_.reset();
  width_ = height_ = 0;
  hasAlpha_ = keep_ = false;
}

bool SkinImage::load(const uint8_t* bytes, size_t length) {
  reset();
  DecodedImage decoded;
  std::string why;
  const bool ok = decodeImage(bytes, length, decoded, why);
  keep_ = decoded.keep;
  if (!ok) {
    if (!why.empty()) kavri::debugLogf(L"image: %hs", why.c_str());
    return false;
  }
  const int w = decoded.width, h = decoded.height;
  if (!adopt(nullptr, w, h)) return false;
  // Premultiplied once here, straight into the bitmap, so every draw is a
  // single blit.
  hasAlpha_ = premultiplyPixels(decoded.rgba.get(), size_t(w) * size_t(h), const_cast<uint32_t*>(bits_));
  ::GdiFlush();
  if (keep_) kept_ = std::move(decoded.rgba);
  return true;
}

// Makes the DIB section of this size, filled from `premultiplied` when given.
bool SkinImage::adopt(const uint32_t* premultiplied, int w, int h) {
  void* bits = nullptr;
  kavri::UniqueHbitmap bitmap = makeDib(w, h, &bits);
  if (!bitmap) return false;

  uint32_t* out = static_cast<uint32_t*>(bits);
  if (premultiplied) {
    std::copy(premultiplied, premultiplied + size_t(w) * size_t(h), out);
    hasAlpha_ = std::any_of(out, out + size_t(w) * size_t(h), [](uint32_t p) { return (p >> 24) != 0xFF; });
    ::GdiFlush();
  }
  bitmap_ = std::move(bitmap);
  bits_ = out;
  width_ = w;
  height_ = h;
  return true;
}

bool SkinImage::loadTurned(const SkinImage& source) {
  reset();
  const uint32_t* in = source.premultipliedPixels();
  if (!in) return false;
  const int w = source.height_, h = source.width_;   // the turned sizes
  ::GdiFlush();   // the source's pixels are read directly
  // Mirrored across the diagonal: the pixel at (x, y) goes to (y, x).
  std::vector<uint32_t> turned(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) turned[size_t(y) * size_t(w) + size_t(x)] = in[size_t(x) * size_t(h) + size_t(y)];
  if (!adopt(turned.data(), w, h)) return false;
  // Its larger pictures turned too, so a turned bar stays sharp when scaled.
  for (const auto& [percent, picture] : source.variants_) {
    auto variant = std::make_unique<SkinImage>();
    if (variant->loadTurned(*picture)) addVariant(percent, std::move(variant));
  }
  return true;
}

bool SkinImage::addVariant(int percent, std::unique_ptr<SkinImage> variant) {
  if (!bitmap_ || !variant || !variant->bitmap_ || percent <= 100) return false;
  if (variant->width_ <= width_ || variant->height_ <= height_) return false;
  variant->variants_.clear();
  variants_[percent] = std::move(variant);
  resampled_.clear();
  return true;
}

const SkinImage& SkinImage::pictureFor(int dpi) const {
  if (!bitmap_ || dpi == kLayoutDpi) return *this;
  int percents[1 + 8];
  const SkinImage* pictures[1 + 8];
  std::size_t count = 0;
  percents[count] = 100;
  pictures[count++] = this;
  for (const auto& [percent, picture] : variants_) {
    if (count == std::size(percents)) break;
    percents[count] = percent;
    pictures[count++] = picture.get();
  }
  const int chosen = chooseImageVariant(dpi, percents, count);
  const SkinImage& best = *pictures[chosen];
  if (std::int64_t{percents[chosen]} * kLayoutDpi == std::int64_t{dpi} * 100) return best;
  // No picture of this scale: one resampled to it, so the blit is one to one.
  auto it = resampled_.find(dpi);
  if (it != resampled_.end()) return it->second ? *it->second : best;
  const DpiScale scale(dpi);
  const int w = std::max(1, scale.toDevice(width_)), h = std::max(1, scale.toDevice(height_));
  auto made = std::make_unique<SkinImage>();
  std::vector<uint32_t> pixels(size_t(w) * size_t(h));
  if (w > kMaxImageSide || h > kMaxImageSide ||
      !resamplePremultiplied(best.bits_, best.width_, best.height_, pixels.data(), w, h) ||
      !made->adopt(pixels.data(), w, h))
    made.reset();  // remembered as failed: the best picture is stretched by GDI
  const SkinImage* answer = made.get();
  resampled_[dpi] = std::move(made);
  return answer ? *answer : best;
}

void SkinImage::blit(HDC dc, HDC source, int x, int y, int w, int h, int sx, int sy, int sw, int sh) const {
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
  if (sx < 0 || sy < 0 || sw > width_ - sx || sh > height_ - sy) return;
  if (hasAlpha_) {
    if (AlphaBlendProc alphaBlend = alphaBlendProc()) {
      const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      alphaBlend(dc, x, y, w, h, source, sx, sy, sw, sh, blend);
      return;
    }
    if (!warnedNoAlphaBlend) {
      warnedNoAlphaBlend = true;
      kavri::debugLog(L"AlphaBlend is not available: transparent images are copied opaque");
    }
  }
  if (w == sw && h == sh)
    ::BitBlt(dc, x, y, w, h, source, sx, sy, SRCCOPY);
  else
    ::StretchBlt(dc, x, y, w, h, source, sx, sy, sw, sh, SRCCOPY);
}

void SkinImage::blitFrom(const SkinImage& picture, HDC dc, HDC source, int x, int y, int w, int h, int sx, int sy,
                         int sw, int sh) const {
  if (&picture == this) {
    blit(dc, source, x, y, w, h, sx, sy, sw, sh);
    return;
  }
  if (sx < 0 || sy < 0 || sw > width_ - sx || sh > height_ - sy) return;
  // Edges mapped, not lengths, so neighbouring nine-grid pieces still meet.
  const auto mapX = [&](int v) { return int((std::int64_t{v} * picture.width_ + width_ / 2) / width_); };
  const auto mapY = [&](int v) { return int((std::int64_t{v} * picture.height_ + height_ / 2) / height_); };
  picture.blit(dc, source, x, y, w, h, mapX(sx), mapY(sy), mapX(sx + sw) - mapX(sx), mapY(sy + sh) - mapY(sy));
}

void SkinImage::draw(HDC dc, int x, int y, int width, int height, int sourceY, int sourceWidth,
                     int sourceHeight) const {
  if (!bitmap_) return;
  HDC source = sharedImageDc();
  if (!source) return;
  const SkinImage& picture = pictureFor(drawingDpi(dc));
  // The bitmap is deselected again afterwards so it can always be deleted.
  kavri::ScopedSelect select(source, picture.bitmap_.get());
  // Copies whole pixels: the device default (BLACKONWHITE) ANDs the pixels it
  // drops when shrinking, which darkens colour images.
  kavri::ScopedStretchMode mode(dc, COLORONCOLOR);
  blitFrom(picture, dc, source, x, y, width, height, 0, sourceY, sourceWidth, sourceHeight);
}

void SkinImage::drawInRect(HDC dc, int left, int top, int right, int bottom) const {
  draw(dc, left, top, right - left, bottom - top, 0, width_, height_);
}

void SkinImage::drawAt(HDC dc, int x, int y) const { draw(dc, x, y, width_, height_, 0, width_, height_); }

void SkinImage::drawNineGrid(HDC dc, int left, int top, int right, int bottom, int borderLeft, int borderTop,
                             int borderRight, int borderBottom) const {
  if (!bitmap_ || right <= left || bottom <= top) return;
  HDC source = sharedImageDc();
  if (!source) return;
  const SkinImage& picture = pictureFor(drawingDpi(dc));
  kavri::ScopedSelect select(source, picture.bitmap_.get());
  // Copies whole pixels: the device default (BLACKONWHITE) ANDs the pixels it
  // drops when shrinking, which darkens colour images.
  kavri::ScopedStretchMode mode(dc, COLORONCOLOR);

  const int W = width_, H = height_;
  const BorderPair sx = fitBorders(W, borderLeft, borderRight);   // source borders
  const BorderPair sy = fitBorders(H, borderTop, borderBottom);
  const BorderPair dx = fitBorders(right - left, sx.first, sx.second);   // destination borders
  const BorderPair dy = fitBorders(bottom - top, sy.first, sy.second);
  const int sw = W - sx.first - sx.second, sh = H - sy.first - sy.second;   // source centre
  const int cw = right - left - dx.first - dx.second;                       // destination centre
  const int ch = bottom - top - dy.first - dy.second;
  const int L = left, T = top, R = right, B = bottom;

  // Pieces with an empty side are skipped by blit().
  blitFrom(picture, dc, source, L + dx.first, T + dy.first, cw, ch, sx.first, sy.first, sw, sh);                // centre
  blitFrom(picture, dc, source, L, T, dx.first, dy.first, 0, 0, sx.first, sy.first);                             // top-left
  blitFrom(picture, dc, source, L + dx.first, T, cw, dy.first, sx.first, 0, sw, sy.first);                       // top
  blitFrom(picture, dc, source, R - dx.second, T, dx.second, dy.first, W - sx.second, 0, sx.second, sy.first);   // top-right
  blitFrom(picture, dc, source, R - dx.second, T + dy.first, dx.second, ch, W - sx.second, sy.first, sx.second, sh);   // right
  blitFrom(picture, dc, source, R - dx.second, B - dy.second, dx.second, dy.second, W - sx.second, H - sy.second, sx.second,
       sy.second);                                                                                   // bottom-right
  blitFrom(picture, dc, source, L + dx.first, B - dy.second, cw, dy.second, sx.first, H - sy.second, sw, sy.second);   // bottom
  blitFrom(picture, dc, source, L, B - dy.second, dx.first, dy.second, 0, H - sy.second, sx.first, sy.second);   // bottom-left
  blitFrom(picture, dc, source, L, T + dy.first, dx.first, ch, 0, sy.first, sx.first, sh);                       // left
}

}  // namespace dui
