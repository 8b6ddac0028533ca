// The editing model of the multi-line Edit: its text blocks, display lines,
// selection, scroll position and every keyboard and pointer operation, given
// the character widths and the geometry. Window-free, so the control only
// supplies its font and rectangle and draws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dui/controls/edit_blocks.h"
#include "dui/controls/text_layout.h"

namespace dui {

class EditModel {
 public:
  EditModel();

  // --- Setup
  void setCharWidth(CharWidth width);
  // Text area: wrap width in pixels, line height in pixels (at least 1) and
  // the visible height in pixels. Relays out the lines when the width changes.
  void setGeometry(int wrapWidth, int lineHeight, int visibleHeight);
  void setEditable(bool editable) { editable_ = editable; }
  bool editable() const { return editable_; }
  void setMultiLine(bool multiLine) { multiLine_ = multiLine; }

  // --- Text
  // Replaces the whole text; caret, anchor and scroll go to the start.
  void setText(const std::wstring& text);
  std::wstring text() const { return blocks_.text(); }
  std::size_t length() const { return blocks_.length(); }
  const EditBlocks& blocks() const { return blocks_; }
  // Goes up with every change of the text.
  std::uint64_t version() const { return version_; }
  const std::vector<TextLine>& lines() const { return lines_; }
  wchar_t at(std::size_t pos) const { return blocks_.at(pos); }
  CharAt reader() const;

  // --- Selection and scrolling
  const TextSelection& selection() const { return selection_; }
  std::wstring selectedText() const;
  std::size_t firstVisibleLine() const { return firstVisible_; }
  // Whole lines that fit in the visible height (at least 1).
  std::size_t visibleRows() const;
  std::size_t caretLine() const { return lineOf(lines_, selection_.caret); }
  // The caret's pixel offset inside its line.
  int caretPixelX() const;

  // --- Keyboard (answers whether the text changed)
  bool backspace();
  void escape() { selection_.anchor = selection_.caret; }
  void pageUp();
  void pageDown();
  void home();
  void end();
  void left();
  void right();
  void up();
  void down();
  void selectAll();
  // Replaces the selection, or inserts at the caret; caret behind the text.
  // Nothing when not editable.
  bool replaceSelection(const std::wstring& chars);
  // A typed character: below 32 ignored, except carriage return on a
  // multi-line edit, which inserts a CR LF pair.
  bool typeCharacter(wchar_t c);
  bool deleteSelection() { return !selection_.empty() && replaceSelection(std::wstring()); }

  // --- Pointer, in pixels relative to the text area's top-left corner
  // Caret to the character nearest to the point; the row is clamped to the
  // visible rows. The anchor follows unless `extend` (a drag selects).
  void placeCaretAt(int x, int y, bool extend);
  // Scrolls by whole lines (negative: up), clamped so the last page stays full.
  void scrollLines(long lines);

 private:
  void relayout();
  void moveCaret(std::size_t pos, bool keepCaretX);
  void showCaretLine();
  std::size_t maxFirstLine() const;

  EditBlocks blocks_;
  std::vector<TextLine> lines_;
  CharWidth width_;
  TextSelection selection_;
  std::size_t firstVisible_ = 0;
  int caretX_ = 0;  // kept for up and down movement
  int wrapWidth_ = 0;
  int lineHeight_ = 1;
  int visibleHeight_ = 0;
  bool editable_ = true;
  bool multiLine_ = true;
  std::uint64_t version_ = 0;
};

}  // namespace dui
