// The editing model of the single-line TextBox: a text of at most 2000
// characters with anchor and caret. Window-free.
#pragma once

#include <cstddef>
#include <string>

#include "dui/controls/text_layout.h"

namespace dui {

class TextBoxModel {
 public:
  static constexpr std::size_t kCapacity = 2000;  // characters the text box holds

  const std::wstring& text() const { return text_; }
  const TextSelection& selection() const { return selection_; }
  std::size_t caret() const { return selection_.caret; }

  // Replaces the text (cut to 2000 characters) with caret and anchor at its
  // end. Answers false, changing nothing, when the text is already the same.
  bool setText(const std::wstring& text);

  // Replaces the selection (or inserts at the caret) with as much of `chars`
  // as fits in the free room; the caret goes behind it. Answers whether the
  // text changed.
  bool replaceSelection(const std::wstring& chars);
  // Deletes the selection, or the character before the caret (a surrogate
  // pair is one character). Nothing at position 0.
  bool backspace();
  // Caret one step back or forward, selection dropped.
  void moveLeft();
  void moveRight();
  void selectAll();
  // Caret to `pos` (clamped); the anchor follows unless `extend`.
  void placeCaret(std::size_t pos, bool extend);
  void dropSelection() { selection_.anchor = selection_.caret; }
  std::wstring selectedText() const;

 private:
  std::wstring text_;
  TextSelection selection_;
};

// The first `room` characters of `chars`, shortened by one when the cut would
// leave half of a surrogate pair.
std::wstring cutToRoom(const std::wstring& chars, std::size_t room);

}  // namespace dui
