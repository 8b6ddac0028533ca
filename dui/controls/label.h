// Label (static single-line text) and LinkLabel (a label that opens its web
// address when pressed).
#pragma once

#include <string>

#include "dui/core/control.h"

namespace dui {

// Display only: HitTransparent, so clicks go to what lies below. Reads "text",
// "font" (default "Default"), "color" (default 9599309), "textAlign"
// ("center", "right", else left) and "padding" when it measures and draws.
// An "&" in the text underlines the access key that follows (shown after
// Alt; "&&" is one "&"), which focuses the control after the label. Its
// type name is the base "Control".
class Label : public Control {
 public:
  static constexpr std::int32_t kDefaultColour = 9599309;  // red 77, green 121, blue 146

  Label();
  // Single-line, vertically centred, inside the padding.
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
  // The text's single-line extent plus the padding; an empty text measures
  // as its padding alone.
  Size measureOverride(std::int32_t width, std::int32_t height) override;
};

// Takes clicks: QueryCursor shows the hand cursor; a left press opens "url"
// (ShellExecuteW of "iexplore" with the address as its parameters) and is
// marked handled, with or without an address. Raises no Click itself. A tab
// stop: Enter and Space open it too, and so does a Click posted to it.
class LinkLabel : public Label {
 public:
  // Opens an address; replaceable so tests see the address instead of a
  // browser starting.
  using Opener = void (*)(const std::wstring& url);
  static void setOpener(Opener opener);
  static void openInBrowser(const std::wstring& url);

  LinkLabel();

 private:
  void onQueryCursor(Control* sender, Event& e);
  void onLButtonDown(Control* sender, Event& e);
  void onKeyDown(Control* sender, Event& e);
  void onClick(Control* sender, Event& e);
  void open();
};

}  // namespace dui
