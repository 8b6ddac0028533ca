// The slideshow: its pictures, timer steps, the blended frame and painting.
#include "dui/controls/slideshow.h"

#include "dui/controls/cross_fade.h"
#include "dui/core/control_geometry.h"
#include "dui/core/msimg.h"
#include "dui/core/skin_image.h"
#include "dui/core/style_lookup.h"
#include "support/debug_log.h"

namespace dui {

PowerPoint::PowerPoint() { addHandler(events::Attached, this, &PowerPoint::onAttached); }

const wchar_t* PowerPoint::typeName() const { return L"PowerPoint"; }

// The pictures are fetched (and so decoded) only when first needed: a
// slideshow on a page not yet shown costs nothing at start-up.
void PowerPoint::onAttached(Control* sender, Event&) {
  if (sender != this) return;
  timer_.setInterval(kInterval);
  pictures_.clear();
  index_ = 0;
  tickCount_ = 0;
  buffer_.reset();
  bufferBits_ = nullptr;
  width_ = height_ = 0;
  picturesPending_ = true;
}

void PowerPoint::ensurePictures() {
  if (!picturesPending_) return;
  picturesPending_ = false;
  loadPictures();
}

std::size_t PowerPoint::pictureCount() {
  ensurePictures();
  return pictures_.size();
}

void PowerPoint::loadPictures() {

  const std::wstring* list = findString(names::imagelist);
  if (!list || list->empty()) return;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = list->find(L';', begin);
    const std::wstring name = list->substr(begin, end == std::wstring::npos ? std::wstring::npos : end - begin);
    SkinImage* picture = name.empty() ? nullptr : findImage(name);
    if (!picture && !name.empty()) kavri::debugLog(L"slideshow: no picture \"" + name + L"\" in the skin");
    pictures_.push_back(picture && picture->premultipliedPixels() ? picture : nullptr);
    if (end == std::wstring::npos) break;
    begin = end + 1;
  }

  const SkinImage* first = pictures_.front();
  if (!first) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = first->width();
  info.bmiHeader.biHeight = -first->height();   // top-down rows, as the pictures
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  buffer_.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!buffer_ || !bits) {
    kavri::logWin32Failure("CreateDIBSection", __FILE__, __LINE__);
    buffer_.reset();
    return;
  }
  bufferBits_ = static_cast<std::uint32_t*>(bits);
  width_ = first->width();
  height_ = first->height();
}

void PowerPoint::playStart() {
  if (timer_.running()) return;
  ensurePictures();
  tickCount_ = kStartTick;
  timer_.start();
}

void PowerPoint::playStop() {
  timer_.stop();
  invalidate(this, false);
}

void PowerPoint::advance() {
  ensurePictures();
  if (tickCount_ >= kLastTick) {
    tickCount_ = 0;
    if (!pictures_.empty()) index_ = (index_ + 1) % pictures_.size();
  } else {
    ++tickCount_;
  }
  invalidate(this, false);
}

bool PowerPoint::fading() const {
  if (!timer_.running() || tickCount_ >= kCrossFadeTicks || pictures_.size() < 2 || !bufferBits_) return false;
  const SkinImage* current = pictures_[index_];
  const SkinImage* previous = pictures_[(index_ + pictures_.size() - 1) % pictures_.size()];
  // Both must have the buffer's size: the blend walks them pixel by pixel.
  for (const SkinImage* p : {current, previous})
    if (!p || p->width() != width_ || p->height() != height_) return false;
  return true;
}

const std::uint32_t* PowerPoint::frame() {
  ensurePictures();
  if (pictures_.empty() || !pictures_[index_]) return nullptr;
  const SkinImage* current = pictures_[index_];
  if (!fading()) return current->premultipliedPixels();
  const SkinImage* previous = pictures_[(index_ + pictures_.size() - 1) % pictures_.size()];
  crossFade(current->premultipliedPixels(), previous->premultipliedPixels(), bufferBits_,
            std::size_t(width_) * std::size_t(height_), crossFadeAlpha(tickCount_));
  return bufferBits_;
}

void PowerPoint::draw(HDC dc, const Rect& drawRect, const Rect&) {
  ensurePictures();
  if (pictures_.empty() || !pictures_[index_]) return;
  const SkinImage* current = pictures_[index_];
  if (!fading()) {
    current->drawAt(dc, drawRect.left, drawRect.top);
    return;
  }
  frame();
  ::GdiFlush();
  HDC source = sharedImageDc();
  if (!source) return;
  kavri::ScopedSelect select(source, buffer_.get());
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  if (AlphaBlendProc alphaBlend = alphaBlendProc())
    alphaBlend(dc, drawRect.left, drawRect.top, width_, height_, source, 0, 0, width_, height_, blend);
  else
    ::BitBlt(dc, drawRect.left, drawRect.top, width_, height_, source, 0, 0, SRCCOPY);
}

}  // namespace dui
