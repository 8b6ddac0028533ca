// Keyboard, pointer and scrolling operations of the Edit on its text blocks.
#include "dui/controls/edit_model.h"

#include <algorithm>

namespace dui {

EditModel::EditModel() : width_([](wchar_t) { return 1; }) { relayout(); }

CharAt EditModel::reader() const {
  return [this](std::size_t pos) { return blocks_.at(pos); };
}

void EditModel::setCharWidth(CharWidth width) {
  width_ = std::move(width);
  relayout();
}

void EditModel::setGeometry(int wrapWidth, int lineHeight, int visibleHeight) {
  const bool relay = wrapWidth != wrapWidth_;
  wrapWidth_ = wrapWidth;
  lineHeight_ = std::max(1, lineHeight);
  visibleHeight_ = std::max(0, visibleHeight);
  if (relay) relayout();
  firstVisible_ = std::min(firstVisible_, maxFirstLine());
}

void EditModel::relayout() {
  lines_ = layoutLines(reader(), blocks_.length(), width_, wrapWidth_);
  caretX_ = caretPixelX();
}

void EditModel::setText(const std::wstring& text) {
  blocks_.setText(text);
  ++version_;
  selection_.collapse(0);
  firstVisible_ = 0;
  relayout();
}

std::wstring EditModel::selectedText() const {
  return blocks_.copy(selection_.begin(), selection_.end() - selection_.begin());
}

std::size_t EditModel::visibleRows() const {
  return static_cast<std::size_t>(std::max(1, visibleHeight_ / lineHeight_));
}

std::size_t EditModel::maxFirstLine() const {
  const std::size_t rows = visibleRows();
  return lines_.size() > rows ? lines_.size() - rows : 0;
}

int EditModel::caretPixelX() const {
  return xInLine(reader(), lines_[lineOf(lines_, selection_.caret)], selection_.caret, width_);
}

void EditModel::showCaretLine() {
  firstVisible_ = firstLineToShow(firstVisible_, caretLine(), visibleRows());
}

// Every caret movement drops the selection.
void EditModel::moveCaret(std::size_t pos, bool keepCaretX) {
  selection_.collapse(std::min(pos, blocks_.length()));
  if (!keepCaretX) caretX_ = caretPixelX();
  showCaretLine();
}

bool EditModel::replaceSelection(const std::wstring& chars) {
  if (!editable_) return false;
  const std::size_t begin = selection_.begin();
  const std::size_t removed = selection_.end() - begin;
  if (removed == 0 && chars.empty()) return false;
  // Insert before removing: an insertion that fails for want of memory then
  // leaves the text untouched.
  blocks_.insert(begin + removed, chars);
  blocks_.erase(begin, removed);
  ++version_;
  selection_.collapse(begin + chars.size());
  relayout();
  showCaretLine();
  return true;
}

bool EditModel::typeCharacter(wchar_t c) {
  if (!editable_) return false;
  if (c == L'\r') return multiLine_ && replaceSelection(L"\r\n");
  if (c < 32) return false;
  return replaceSelection(std::wstring(1, c));
}

bool EditModel::backspace() {
  if (!editable_) return false;
  if (!selection_.empty()) return replaceSelection(std::wstring());
  const std::size_t caret = selection_.caret;
  if (caret == 0) return false;
  const std::size_t from = previousPosition(reader(), blocks_.length(), caret);
  selection_.anchor = from;  // select the character (or CR LF pair) and delete it
  return replaceSelection(std::wstring());
}

void EditModel::left() { moveCaret(previousPosition(reader(), blocks_.length(), selection_.caret), false); }

void EditModel::right() { moveCaret(nextPosition(reader(), blocks_.length(), selection_.caret), false); }

void EditModel::up() {
  const std::size_t line = caretLine();
  if (line == 0) {
    selection_.anchor = selection_.caret;
    return;
  }
  moveCaret(positionInLine(reader(), lines_[line - 1], caretX_, width_), true);
}

void EditModel::down() {
  const std::size_t line = caretLine();
  if (line + 1 >= lines_.size()) {
    selection_.anchor = selection_.caret;
    return;
  }
  moveCaret(positionInLine(reader(), lines_[line + 1], caretX_, width_), true);
}

void EditModel::pageUp() {
  const std::size_t rows = visibleRows();
  firstVisible_ = firstVisible_ > rows ? firstVisible_ - rows : 0;
  const std::size_t line = caretLine();
  const std::size_t target = line > rows ? line - rows : 0;
  moveCaret(positionInLine(reader(), lines_[target], caretX_, width_), true);
}

void EditModel::pageDown() {
  const std::size_t rows = visibleRows();
  firstVisible_ = std::min(firstVisible_ + rows, maxFirstLine());
  const std::size_t target = std::min(caretLine() + rows, lines_.size() - 1);
  moveCaret(positionInLine(reader(), lines_[target], caretX_, width_), true);
}

void EditModel::home() {
  firstVisible_ = 0;
  moveCaret(0, false);
}

void EditModel::end() { moveCaret(blocks_.length(), false); }

void EditModel::selectAll() {
  selection_.anchor = 0;
  selection_.caret = blocks_.length();
  caretX_ = caretPixelX();
  showCaretLine();
}

void EditModel::placeCaretAt(int x, int y, bool extend) {
  const std::size_t rows = visibleRows();
  long row = y < 0 ? 0 : y / lineHeight_;
  row = std::min<long>(row, static_cast<long>(rows) - 1);
  const std::size_t line = std::min(firstVisible_ + static_cast<std::size_t>(row), lines_.size() - 1);
  selection_.caret = positionInLine(reader(), lines_[line], x, width_);
  if (!extend) selection_.anchor = selection_.caret;
  caretX_ = caretPixelX();
}

void EditModel::scrollLines(long lines) {
  long first = static_cast<long>(firstVisible_) + lines;
  first = std::max(0L, std::min(first, static_cast<long>(maxFirstLine())));
  firstVisible_ = static_cast<std::size_t>(first);
}

}  // namespace dui
