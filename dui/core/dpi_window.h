// The window side of display scaling: a window's DPI (looked up at run time,
// so systems without per-monitor calls still work) and the painting transform
// that lets a control tree in layout units draw at device resolution: GDI
// scales coordinates, and fonts are realized at the device size (crisp text,
// never a stretched bitmap).
#pragma once

#include <windows.h>

#include "dui/core/dpi_scale.h"

namespace dui {

// The DPI of a window: GetDpiForWindow where the system has it, else the
// screen's LOGPIXELSY (system-wide awareness), else 96.
int windowDpi(HWND window);
// The DPI of the screen (LOGPIXELSY), 96 when it cannot be read.
int systemDpi();

// Scales everything drawn into `dc` by `scale` (advanced graphics mode and a
// world transform) until destruction, which puts back the identity transform
// and the previous mode. Nothing for scale 1.
class ScopedDpiTransform {
 public:
  ScopedDpiTransform(HDC dc, const DpiScale& scale);
  ~ScopedDpiTransform();
  ScopedDpiTransform(const ScopedDpiTransform&) = delete;
  ScopedDpiTransform& operator=(const ScopedDpiTransform&) = delete;

 private:
  HDC dc_ = nullptr;
  int previousMode_ = 0;
};

// The scale a DC draws with now (its world transform's horizontal factor, as a
// DPI): what a skin image asks to choose its variant. 96 for no transform.
int drawingDpi(HDC dc);

}  // namespace dui
