// Character steps, line breaking, positions in a line and tab expansion.
#include "dui/controls/text_layout.h"

#include <algorithm>

namespace dui {

std::size_t nextPosition(const CharAt& at, std::size_t length, std::size_t pos) {
  if (pos >= length) return length;
  const wchar_t c = at(pos);
  if (pos + 1 < length) {
    const wchar_t n = at(pos + 1);
    if ((c == L'\r' && n == L'\n') || (isHighSurrogate(c) && isLowSurrogate(n))) return pos + 2;
  }
  return pos + 1;
}

std::size_t previousPosition(const CharAt& at, std::size_t length, std::size_t pos) {
  if (pos > length) pos = length;
  if (pos == 0) return 0;
  if (pos >= 2) {
    const wchar_t p = at(pos - 2);
    const wchar_t c = at(pos - 1);
    if ((p == L'\r' && c == L'\n') || (isHighSurrogate(p) && isLowSurrogate(c))) return pos - 2;
  }
  return pos - 1;
}

int layoutWidth(const CharWidth& width, wchar_t c) { return c == L'\t' ? kTabSpaces * width(L' ') : width(c); }

std::size_t breakLength(LineEnd ending) {
  switch (ending) {
    case LineEnd::None: return 0;
    case LineEnd::CrLf: return 2;
    default: return 1;
  }
}

std::vector<TextLine> layoutLines(const CharAt& at, std::size_t length, const CharWidth& width, int maxWidth) {
  std::vector<TextLine> lines;
  TextLine line;
  int lineWidth = 0;
  std::size_t pos = 0;
  while (pos < length) {
    const wchar_t c = at(pos);
    if (c == L'\n' || c == L'\r') {
      line.end = pos;
      if (c == L'\n') {
        line.ending = LineEnd::LineFeed;
      } else {
        line.ending = (pos + 1 < length && at(pos + 1) == L'\n') ? LineEnd::CrLf : LineEnd::CarriageReturn;
      }
      pos += breakLength(line.ending);
      lines.push_back(line);
      line = TextLine{pos, pos, LineEnd::None};
      lineWidth = 0;
      continue;
    }
    const std::size_t step = (isHighSurrogate(c) && pos + 1 < length && isLowSurrogate(at(pos + 1))) ? 2 : 1;
    const int w = layoutWidth(width, c);
    if (pos > line.start && lineWidth + w > maxWidth) {
      line.end = pos;
      lines.push_back(line);
      line = TextLine{pos, pos, LineEnd::None};
      lineWidth = 0;
    }
    lineWidth += w;
    pos += step;
  }
  line.end = length;
  lines.push_back(line);
  return lines;
}

std::size_t lineOf(const std::vector<TextLine>& lines, std::size_t pos) {
  auto it = std::upper_bound(lines.begin(), lines.end(), pos,
                             [](std::size_t p, const TextLine& l) { return p < l.start; });
  return it == lines.begin() ? 0 : static_cast<std::size_t>(it - lines.begin()) - 1;
}

int xInLine(const CharAt& at, const TextLine& line, std::size_t pos, const CharWidth& width) {
  const std::size_t stop = std::min(pos, line.end);
  int x = 0;
  for (std::size_t p = line.start; p < stop; ++p) x += layoutWidth(width, at(p));
  return x;
}

std::size_t positionInLine(const CharAt& at, const TextLine& line, int x, const CharWidth& width) {
  int left = 0;
  std::size_t pos = line.start;
  while (pos < line.end) {
    const wchar_t c = at(pos);
    const std::size_t step = (isHighSurrogate(c) && pos + 1 < line.end && isLowSurrogate(at(pos + 1))) ? 2 : 1;
    const int w = layoutWidth(width, c);
    if (x < left + (w + 1) / 2) return pos;
    left += w;
    pos += step;
  }
  return line.end;
}

std::wstring expandTabs(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    if (c == L'\t')
      out.append(kTabSpaces, L' ');
    else
      out.push_back(c);
  }
  return out;
}

int scrollToShow(int offset, int x, int innerWidth) {
  if (innerWidth < 1) innerWidth = 1;
  if (x - offset > innerWidth) offset = x - innerWidth;
  if (x < offset) offset = x;
  return offset < 0 ? 0 : offset;
}

std::size_t firstLineToShow(std::size_t first, std::size_t line, std::size_t rows) {
  if (rows == 0) rows = 1;
  if (line < first) return line;
  if (line >= first + rows) return line - rows + 1;
  return first;
}

}  // namespace dui
