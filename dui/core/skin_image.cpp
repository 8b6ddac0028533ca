// Skin images in premultiplied DIB sections: made from the decoder's pixels,
// and drawn plain, stretched or as nine-grids.
#include "skin_image.h"

#include <algorithm>
#include <string>
#include <utility>

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
  void* bits = nullptr;
  kavri::UniqueHbitmap bitmap = makeDib(w, h, &bits);
  if (!bitmap) return false;

  // Premultiplied once here, straight into the bitmap, so every draw is a
  // single blit.
  uint32_t* out = static_cast<uint32_t*>(bits);
  const bool anyAlpha = premultiplyPixels(decoded.rgba.get(), size_t(w) * size_t(h), out);
  ::GdiFlush();

  bitmap_ = std::move(bitmap);
  bits_ = out;
  width_ = w;
  height_ = h;
  hasAlpha_ = anyAlpha;
  if (keep_) kept_ = std::move(decoded.rgba);
  return true;
}

bool SkinImage::loadTurned(const SkinImage& source) {
  reset();
  const uint32_t* in = source.premultipliedPixels();
  if (!in) return false;
  const int w = source.height_, h = source.width_;   // the turned sizes
  void* bits = nullptr;
  kavri::UniqueHbitmap bitmap = makeDib(w, h, &bits);
  if (!bitmap) return false;
  ::GdiFlush();   // the source's pixels are read directly
  uint32_t* out = static_cast<uint32_t*>(bits);
  // Mirrored across the diagonal: the pixel at (x, y) goes to (y, x).
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out[size_t(y) * size_t(w) + size_t(x)] = in[size_t(x) * size_t(h) + size_t(y)];
  ::GdiFlush();
  bitmap_ = std::move(bitmap);
  bits_ = out;
  width_ = w;
  height_ = h;
  hasAlpha_ = source.hasAlpha_;
  return true;
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

void SkinImage::draw(HDC dc, int x, int y, int width, int height, int sourceY, int sourceWidth,
                     int sourceHeight) const {
  if (!bitmap_) return;
  HDC source = sharedImageDc();
  if (!source) return;
  // The bitmap is deselected again afterwards so it can always be deleted.
  kavri::ScopedSelect select(source, bitmap_.get());
  // Copies whole pixels: the device default (BLACKONWHITE) ANDs the pixels it
  // drops when shrinking, which darkens colour images.
  kavri::ScopedStretchMode mode(dc, COLORONCOLOR);
  blit(dc, source, x, y, width, height, 0, sourceY, sourceWidth, sourceHeight);
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
  kavri::ScopedSelect select(source, bitmap_.get());
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
  blit(dc, source, L + dx.first, T + dy.first, cw, ch, sx.first, sy.first, sw, sh);                // centre
  blit(dc, source, L, T, dx.first, dy.first, 0, 0, sx.first, sy.first);                             // top-left
  blit(dc, source, L + dx.first, T, cw, dy.first, sx.first, 0, sw, sy.first);                       // top
  blit(dc, source, R - dx.second, T, dx.second, dy.first, W - sx.second, 0, sx.second, sy.first);   // top-right
  blit(dc, source, R - dx.second, T + dy.first, dx.second, ch, W - sx.second, sy.first, sx.second, sh);   // right
  blit(dc, source, R - dx.second, B - dy.second, dx.second, dy.second, W - sx.second, H - sy.second, sx.second,
       sy.second);                                                                                   // bottom-right
  blit(dc, source, L + dx.first, B - dy.second, cw, dy.second, sx.first, H - sy.second, sw, sy.second);   // bottom
  blit(dc, source, L, B - dy.second, dx.first, dy.second, 0, H - sy.second, sx.first, sy.second);   // bottom-left
  blit(dc, source, L, T + dy.first, dx.first, ch, 0, sy.first, sx.first, sh);                       // left
}

}  // namespace dui
