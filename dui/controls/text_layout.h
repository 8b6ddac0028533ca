// Window-free arithmetic of the text controls: character steps (a CR LF pair
// and a surrogate pair are one step), display lines of the Edit, pixel
// positions inside a line, tab expansion, selections and scrolling.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dui {

// Reads the character at a position (< length).
using CharAt = std::function<wchar_t(std::size_t)>;
// Pixel width of one character in the control's font.
using CharWidth = std::function<int(wchar_t)>;

constexpr int kTabSpaces = 4;  // a tab is drawn (and measured) as four spaces

inline bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The position one step forward or back from `pos`, never past the ends.
std::size_t nextPosition(const CharAt& at, std::size_t length, std::size_t pos);
std::size_t previousPosition(const CharAt& at, std::size_t length, std::size_t pos);

// Width of a character as laid out: a tab counts as four spaces.
int layoutWidth(const CharWidth& width, wchar_t c);

enum class LineEnd : std::uint8_t { None, LineFeed, CarriageReturn, CrLf };

// One display line: characters [start, end) and the break that follows them
// (the next line starts at end + the break's length).
struct TextLine {
  std::size_t start = 0;
  std::size_t end = 0;
  LineEnd ending = LineEnd::None;
  bool operator==(const TextLine& o) const { return start == o.start && end == o.end && ending == o.ending; }
};

std::size_t breakLength(LineEnd ending);

// Lines break after a line feed, after a carriage return (a following line
// feed belongs to the same break) and before the character that would make
// the line wider than `maxWidth`. A line holds at least one character (or a
// surrogate pair), however narrow the width. A text ending in a break has an
// empty last line; there is always at least one line.
std::vector<TextLine> layoutLines(const CharAt& at, std::size_t length, const CharWidth& width, int maxWidth);

// Index of the line holding `pos`: the last line starting at or before it.
std::size_t lineOf(const std::vector<TextLine>& lines, std::size_t pos);

// Pixels from the line start to `pos` (clamped to the line's characters).
int xInLine(const CharAt& at, const TextLine& line, std::size_t pos, const CharWidth& width);
// The character boundary in the line nearest to x (a point in the right half
// of a character lies behind it).
std::size_t positionInLine(const CharAt& at, const TextLine& line, int x, const CharWidth& width);

// The characters with every tab replaced by four spaces. The result grows
// with the line, so no line is ever too long to draw.
std::wstring expandTabs(const std::wstring& text);

// Anchor and caret (character positions); equal when nothing is selected.
struct TextSelection {
  std::size_t anchor = 0;
  std::size_t caret = 0;
  bool empty() const { return anchor == caret; }
  std::size_t begin() const { return anchor < caret ? anchor : caret; }
  std::size_t end() const { return anchor < caret ? caret : anchor; }
  void collapse(std::size_t pos) { anchor = caret = pos; }
};

// The scroll offset (pixels) that keeps x inside [offset, offset + inner].
int scrollToShow(int offset, int x, int innerWidth);
// The first visible line that keeps `line` inside `rows` visible rows.
std::size_t firstLineToShow(std::size_t first, std::size_t line, std::size_t rows);

}  // namespace dui
