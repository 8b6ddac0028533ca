// Editing operations of the TextBox on its 2000-character text.
#include "dui/controls/text_box_model.h"

#include <algorithm>

namespace dui {

std::wstring cutToRoom(const std::wstring& chars, std::size_t room) {
  if (chars.size() <= room) return chars;
  std::size_t n = room;
  if (n > 0 && isHighSurrogate(chars[n - 1]) && isLowSurrogate(chars[n])) --n;
  return chars.substr(0, n);
}

bool TextBoxModel::setText(const std::wstring& text) {
  std::wstring cut = cutToRoom(text, kCapacity);
  if (cut == text_) return false;
  text_.swap(cut);
  selection_.collapse(text_.size());
  return true;
}

bool TextBoxModel::replaceSelection(const std::wstring& chars) {
  const std::size_t begin = selection_.begin();
  const std::size_t removed = selection_.end() - begin;
  const std::wstring insert = cutToRoom(chars, kCapacity - (text_.size() - removed));
  if (removed == 0 && insert.empty()) return false;
  text_.replace(begin, removed, insert);
  selection_.collapse(begin + insert.size());
  return true;
}

bool TextBoxModel::backspace() {
  if (!selection_.empty()) return replaceSelection(std::wstring());
  const std::size_t caret = selection_.caret;
  if (caret == 0) return false;
  // A surrogate pair goes as one character; a CR LF pair has no meaning in a
  // single line and goes one character at a time.
  std::size_t from = caret - 1;
  if (from > 0 && isLowSurrogate(text_[from]) && isHighSurrogate(text_[from - 1])) --from;
  text_.erase(from, caret - from);
  selection_.collapse(from);
  return true;
}

void TextBoxModel::moveLeft() {
  std::size_t pos = selection_.caret;
  if (pos > 0) {
    --pos;
    if (pos > 0 && isLowSurrogate(text_[pos]) && isHighSurrogate(text_[pos - 1])) --pos;
  }
  selection_.collapse(pos);
}

void TextBoxModel::moveRight() {
  std::size_t pos = selection_.caret;
  if (pos < text_.size()) {
    ++pos;
    if (pos < text_.size() && isLowSurrogate(text_[pos]) && isHighSurrogate(text_[pos - 1])) ++pos;
  }
  selection_.collapse(pos);
}

void TextBoxModel::selectAll() {
  selection_.anchor = 0;
  selection_.caret = text_.size();
}

void TextBoxModel::placeCaret(std::size_t pos, bool extend) {
  selection_.caret = std::min(pos, text_.size());
  if (!extend) selection_.anchor = selection_.caret;
}

std::wstring TextBoxModel::selectedText() const {
  return text_.substr(selection_.begin(), selection_.end() - selection_.begin());
}

}  // namespace dui
