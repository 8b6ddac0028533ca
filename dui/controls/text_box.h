// TextBox: the single-line entry field of at most 2000 characters, with
// horizontal scrolling, caret, mouse selection and the clipboard.
#pragma once

#include <string>

#include "dui/controls/text_box_model.h"
#include "dui/controls/text_editing_keys.h"
#include "dui/controls/text_font.h"
#include "dui/core/control.h"
#include "support/win32_handles.h"

namespace dui {

class WindowImpl;

// RepaintOnMouse, CaptureOnPress, Focusable and DoubleClicks. Draws its
// "style" (no built-in one), then the text in a copy of the "Default" font.
// Its "text" attribute mirrors the content: a value written there from
// outside (markup, a script's common setText) becomes the content when the
// box is next attached, drawn or used. A text longer than 2000 characters,
// set or inserted, is cut to its first 2000.
class TextBox : public Control {
 public:
  static constexpr int kPaddingX = 8;
  static constexpr int kPaddingY = 5;
  static constexpr COLORREF kTextColour = 6710886;        // grey 102, 102, 102
  static constexpr COLORREF kSelectionColour = 16750899;  // red 51, green 153, blue 255
  static constexpr COLORREF kSelectedTextColour = 16777215;

  TextBox();
  // A focused control that dies takes the window caret with it.
  ~TextBox() override;
  const wchar_t* typeName() const override;
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override;
  // Width 0, height = font height + twice the vertical padding.
  Size measureOverride(std::int32_t width, std::int32_t height) override;
  Size arrangeOverride(std::int32_t width, std::int32_t height) override;

  // The text box's content.
  const std::wstring& text() const { return model_.text(); }
  // Replaces the content (cut to 2000 characters) unless it is the same:
  // scroll offset 0, caret and anchor at the end, repainted.
  void setText(const std::wstring& text);

  const TextBoxModel& model() const { return model_; }
  int scrollOffset() const { return scroll_; }

 private:
  void onAttached(Control* sender, Event& e);
  void onLButtonDown(Control* sender, Event& e);
  void onMouseMove(Control* sender, Event& e);
  void onDoubleClick(Control* sender, Event& e);
  void onKeyDown(Control* sender, Event& e);
  void onKeyPress(Control* sender, Event& e);
  void onGotFocus(Control* sender, Event& e);
  void onLostFocus(Control* sender, Event& e);
  void onQueryCursor(Control* sender, Event& e);

  int innerWidth() const;
  int innerHeight() const;
  int pixelOf(std::size_t pos);
  std::size_t positionAt(int x);
  void updateScroll(int inner);
  bool adoptTextAttribute();
  void mirrorTextAttribute();
  // After a change: keep the caret in view, place the window caret, repaint.
  void changed();
  void placeCaret();
  ClipboardEditing clipboardEditing();

  TextBoxModel model_;
  TextFont font_;
  kavri::UniqueHbrush selectionBrush_;
  int scroll_ = 0;
};

}  // namespace dui
