// Edit: the multi-line text editor with blocks, line layout, caret, mouse
// selection, clipboard and wheel scrolling. The editing itself is EditModel's;
// this control supplies font and geometry, routes events and draws.
#pragma once

#include <string>

#include "dui/controls/edit_model.h"
#include "dui/controls/text_editing_keys.h"
#include "dui/controls/text_font.h"
#include "dui/core/control.h"
#include "dui/core/wheel_steps.h"
#include "support/win32_handles.h"

namespace dui {

class WindowImpl;

// RepaintOnMouse, CaptureOnPress and Focusable. When attached it reads
// "textspace" (line spacing), "textpadding" (x, y; default 5, 5),
// "texteditable" (0: read-only), "color" and "font" (default "Default"), and
// takes its text from "text" (which mirrors the content after every change,
// so attaching again keeps it). Draws its "style" ("edit.xml"
// when it has none or it does not load), then the visible lines.
class Edit : public Control {
 public:
  static constexpr int kDefaultPadding = 5;
  static constexpr COLORREF kDefaultTextColour = 6710886;  // grey 102, 102, 102
  static constexpr COLORREF kSelectionColour = 16750899;   // red 51, green 153, blue 255
  static constexpr COLORREF kSelectedTextColour = 16777215;
  static constexpr int kWheelLinesPerNotch = 3;            // smaller deltas add up

  Edit();
  // A focused control that dies takes the window caret with it.
  ~Edit() override;
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
  const wchar_t* typeName() const override;
  Size arrangeOverride(std::int32_t width, std::int32_t height) override;

  // The whole content, cut into blocks of 1500 characters; lines are laid
  // out again and the control repainted.
  void setText(const std::wstring& text);
  std::wstring text() const { return model_.text(); }

  const EditModel& model() const { return model_; }
  int lineHeight() const { return lineHeight_; }

 private:
  void onAttached(Control* sender, Event& e);
  void onLButtonDown(Control* sender, Event& e);
  void onMouseMove(Control* sender, Event& e);
  void onMouseWheel(Control* sender, Event& e);
  void onKeyDown(Control* sender, Event& e);
  void onKeyPress(Control* sender, Event& e);
  void onGotFocus(Control* sender, Event& e);
  void onLostFocus(Control* sender, Event& e);
  void onQueryCursor(Control* sender, Event& e);

  void applyGeometry(int width, int height);
  // After a change: place the window caret and repaint.
  void changed();
  void placeCaret();
  bool pointInText(const Event& e, int& x, int& y) const;
  ClipboardEditing clipboardEditing();
  void drawLine(HDC dc, const TextLine& line, const RECT& lineRect);

  EditModel model_;
  WheelSteps wheel_;
  TextFont font_;
  kavri::UniqueHbrush selectionBrush_;
  int paddingX_ = kDefaultPadding;
  int paddingY_ = kDefaultPadding;
  int lineSpacing_ = 0;
  int lineHeight_ = 1;
  COLORREF textColour_ = kDefaultTextColour;
  std::uint64_t mirroredVersion_ = 0;  // text version last copied to the "text" attribute
};

}  // namespace dui
