// ShadowedWindow: the class of every window the script creates, followed by a
// layered, click-through shadow window (ProxyWindow) grown by fixed margins.
#pragma once

#include <string>

#include "dui/core/window_impl.h"

namespace dui {

class Control;

// The root for a layout: the tree of the layout loader plugged into
// CorePlugs::loadLayoutRoot (the markup's), or an empty Panel without a
// loader or when it fails.
Control* loadLayoutRoot(const std::wstring& layoutName);

// The shadow: layered with per-pixel alpha, its root from "proxywindow.xml".
class ProxyWindow : public WindowImpl {
 public:
  explicit ProxyWindow(const std::wstring& layoutName);
  const std::wstring& layoutName() const { return layoutName_; }

 private:
  std::wstring layoutName_;
};

class ShadowedWindow : public WindowImpl {
 public:
  static constexpr const wchar_t* kShadowLayout = L"proxywindow.xml";
  static constexpr int kShadowLeft = 20;
  static constexpr int kShadowTop = 14;
  static constexpr int kShadowRight = 16;
  static constexpr int kShadowBottom = 21;
  // The shadow's margins around the window at its scale, in pixels.
  Rect shadowMargins() const;

  explicit ShadowedWindow(const std::wstring& layoutName);
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  const std::wstring& layoutName() const { return layoutName_; }
  // The shadow window's handle (destroyed by the system with this window).
  HWND shadowWindow() const { return shadow_; }

 private:
  void createShadow();
  void placeShadow();
  void onDpiChanged(int dpi, const RECT* suggested) override;

  std::wstring layoutName_;
  HWND shadow_ = nullptr;
};

}  // namespace dui
