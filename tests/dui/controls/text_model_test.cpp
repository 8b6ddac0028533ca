// The window-free text arithmetic of the text controls: the Edit's blocks,
// line breaking, steps and positions, the Edit and TextBox editing models.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "dui/controls/edit_blocks.h"
#include "dui/controls/edit_model.h"
#include "dui/controls/text_box_model.h"
#include "dui/controls/text_layout.h"

using namespace dui;

namespace {

// Every character 8 pixels wide, a W 12 (tabs count as four spaces).
int fixedWidth(wchar_t c) { return c == L'W' ? 12 : 8; }

CharAt readerOf(const std::wstring& s) {
  return [&s](std::size_t p) { return s[p]; };
}

void expectBlocksConsistent(const EditBlocks& blocks, const std::wstring& expected) {
  ASSERT_EQ(blocks.length(), expected.size());
  ASSERT_EQ(blocks.text(), expected);
  std::size_t first = 0;
  for (const EditBlocks::Block& b : blocks.blocks()) {
    EXPECT_EQ(b.first, first);
    EXPECT_LE(b.chars.size(), EditBlocks::kBlockCapacity);
    if (blocks.blocks().size() > 1) {
      EXPECT_FALSE(b.chars.empty());
    }
    first += b.chars.size();
  }
  for (std::size_t p = 0; p < expected.size(); p += 97) ASSERT_EQ(blocks.at(p), expected[p]) << p;
}

// ----------------------------------------------------------------- blocks

TEST(EditBlocks, SetTextCutsIntoBlocksOf1500) {
  struct Case { std::size_t length; std::vector<std::size_t> sizes; };
  for (const Case& c : std::vector<Case>{{0, {0}}, {1, {1}}, {1500, {1500}}, {1501, {1500, 1}}, {4000, {1500, 1500, 1000}}}) {
    EditBlocks blocks;
    const std::wstring text(c.length, L'x');
    blocks.setText(text);
    std::vector<std::size_t> sizes;
    for (const auto& b : blocks.blocks()) sizes.push_back(b.chars.size());
    EXPECT_EQ(sizes, c.sizes) << c.length;
    expectBlocksConsistent(blocks, text);
  }
}

TEST(EditBlocks, InsertionsRedistributeOverfullBlocks) {
  // Block of m characters, n inserted: in place up to 2000, else over
  // k = (m + n) / 1500 blocks (+1 when the remainder exceeds 500).
  struct Case { std::size_t m, n; std::vector<std::size_t> sizes; };
  const std::vector<Case> cases = {
      {1500, 500, {2000}},            // fits exactly
      {1500, 501, {1001, 1000}},      // 2001: 1 + (501 > 500) = 2 blocks
      {1500, 1500, {1500, 1500}},     // 3000: 2 blocks
      {1500, 1900, {1700, 1700}},     // 3400: remainder 400, 2 blocks
      {1000, 1004000, {}},            // a long paste: every block within the capacity
  };
  for (const Case& c : cases) {
    EditBlocks blocks;
    std::wstring text(c.m, L'a');
    blocks.setText(text);
    const std::wstring insert(c.n, L'b');
    blocks.insert(c.m / 2, insert);
    text.insert(c.m / 2, insert);
    expectBlocksConsistent(blocks, text);
    if (!c.sizes.empty()) {
      std::vector<std::size_t> sizes;
      for (const auto& b : blocks.blocks()) sizes.push_back(b.chars.size());
      EXPECT_EQ(sizes, c.sizes) << c.m << "+" << c.n;
    }
  }
}

TEST(EditBlocks, RandomEditsMatchAPlainString) {
  std::mt19937 random(7);
  EditBlocks blocks;
  std::wstring reference;
  for (int step = 0; step < 3000; ++step) {
    const std::size_t pos = reference.empty() ? 0 : random() % (reference.size() + 1);
    if (random() % 3 != 0) {
      const std::wstring chars(random() % (step % 50 == 0 ? 3000 : 40) + 1, static_cast<wchar_t>(L'a' + step % 26));
      blocks.insert(pos, chars);
      reference.insert(pos, chars);
    } else {
      const std::size_t count = random() % 2500;
      blocks.erase(pos, count);
      if (pos < reference.size()) reference.erase(pos, count);
    }
    if (step % 100 == 0) expectBlocksConsistent(blocks, reference);
    const std::size_t from = reference.empty() ? 0 : random() % reference.size();
    ASSERT_EQ(blocks.copy(from, 3100), reference.substr(from, 3100));
  }
  expectBlocksConsistent(blocks, reference);
  blocks.erase(0, reference.size());
  expectBlocksConsistent(blocks, L"");
  EXPECT_EQ(blocks.blocks().size(), 1u);
}

// ------------------------------------------------------------ line layout

TEST(TextLayout, LinesBreakAfterLineEndsAndBeforeOverflow) {
  struct Case { const wchar_t* text; int width; std::vector<TextLine> lines; };
  using E = LineEnd;
  const std::vector<Case> cases = {
      {L"", 100, {{0, 0, E::None}}},
      {L"abc", 100, {{0, 3, E::None}}},
      {L"ab\ncd", 100, {{0, 2, E::LineFeed}, {3, 5, E::None}}},
      {L"ab\r\ncd", 100, {{0, 2, E::CrLf}, {4, 6, E::None}}},
      {L"ab\rcd", 100, {{0, 2, E::CarriageReturn}, {3, 5, E::None}}},
      {L"ab\r\n", 100, {{0, 2, E::CrLf}, {4, 4, E::None}}},     // an empty last line after the break
      {L"\n\n", 100, {{0, 0, E::LineFeed}, {1, 1, E::LineFeed}, {2, 2, E::None}}},
      {L"abcdef", 24, {{0, 3, E::None}, {3, 6, E::None}}},      // 3 characters of 8 fit in 24
      {L"abcdef", 23, {{0, 2, E::None}, {2, 4, E::None}, {4, 6, E::None}}},
      {L"abc", 0, {{0, 1, E::None}, {1, 2, E::None}, {2, 3, E::None}}},  // at least one character a line
      {L"a\tb", 40, {{0, 2, E::None}, {2, 3, E::None}}},       // the tab is 32 wide
      {L"\xD83D\xDE00x", 0, {{0, 2, E::None}, {2, 3, E::None}}},  // a surrogate pair stays whole
  };
  for (const Case& c : cases) {
    const std::wstring text = c.text;
    EXPECT_EQ(layoutLines(readerOf(text), text.size(), fixedWidth, c.width), c.lines)
        << testing::PrintToString(std::string(text.begin(), text.end())) << " width " << c.width;
  }
}

TEST(TextLayout, StepsTreatCrLfAndSurrogatePairsAsOne) {
  const std::wstring text = L"a\r\nb\xD83D\xDE00" L"c";  // a CR LF b <pair> c
  const CharAt at = readerOf(text);
  struct Case { std::size_t from, next, previous; };
  for (const Case& c : std::vector<Case>{{0, 1, 0}, {1, 3, 0}, {3, 4, 1}, {4, 6, 3}, {6, 7, 4}, {7, 7, 6}}) {
    EXPECT_EQ(nextPosition(at, text.size(), c.from), c.next) << c.from;
    EXPECT_EQ(previousPosition(at, text.size(), c.from), c.previous) << c.from;
  }
}

TEST(TextLayout, PositionsInALineRoundToTheNearestBoundary) {
  const std::wstring text = L"ab\tc";  // a 0-8, b 8-16, tab 16-48, c 48-56
  const TextLine line{0, 4, LineEnd::None};
  const CharAt at = readerOf(text);
  struct Case { int x; std::size_t pos; };
  for (const Case& c : std::vector<Case>{{-5, 0}, {3, 0}, {4, 1}, {11, 1}, {12, 2}, {31, 2}, {32, 3}, {52, 4}, {999, 4}})
    EXPECT_EQ(positionInLine(at, line, c.x, fixedWidth), c.pos) << c.x;
  EXPECT_EQ(xInLine(at, line, 3, fixedWidth), 48);
  EXPECT_EQ(xInLine(at, line, 99, fixedWidth), 56);
}

TEST(TextLayout, TabsInAVeryLongLineExpandWhole) {
  std::wstring line;
  for (int i = 0; i < 100000; ++i) line += (i % 3 == 0) ? L'\t' : L'x';
  const std::wstring shown = expandTabs(line);
  EXPECT_EQ(shown.size(), line.size() + 3 * 33334);
  EXPECT_EQ(shown.find(L'\t'), std::wstring::npos);
  EXPECT_EQ(shown.substr(0, 6), L"    xx");
}

TEST(TextLayout, ScrollingKeepsTheCaretInView) {
  EXPECT_EQ(scrollToShow(0, 50, 100), 0);
  EXPECT_EQ(scrollToShow(0, 130, 100), 30);
  EXPECT_EQ(scrollToShow(60, 40, 100), 40);
  EXPECT_EQ(scrollToShow(60, 0, 100), 0);
  EXPECT_EQ(firstLineToShow(5, 3, 4), 3u);
  EXPECT_EQ(firstLineToShow(5, 9, 4), 6u);
  EXPECT_EQ(firstLineToShow(5, 8, 4), 5u);
}

// -------------------------------------------------------------- edit model

// 10 columns of 8 pixels, lines of 10 pixels, 3 visible rows.
EditModel makeEdit(const std::wstring& text) {
  EditModel m;
  m.setCharWidth(fixedWidth);
  m.setGeometry(80, 10, 35);
  m.setText(text);
  return m;
}

TEST(EditModel, BackspaceRemovesACrLfPairAsOneAndNothingAtTheStart) {
  EditModel m = makeEdit(L"ab\r\ncd");
  EXPECT_FALSE(m.backspace());  // caret at 0
  EXPECT_EQ(m.text(), L"ab\r\ncd");
  m.right(), m.right(), m.right();  // a, b, then the pair in one step
  EXPECT_EQ(m.selection().caret, 4u);
  EXPECT_TRUE(m.backspace());
  EXPECT_EQ(m.text(), L"abcd");
  EXPECT_EQ(m.selection().caret, 2u);
}

TEST(EditModel, ReturnInsertsTwoCharactersAndControlCharactersNone) {
  EditModel m = makeEdit(L"ab");
  m.end();
  EXPECT_TRUE(m.typeCharacter(L'\r'));
  EXPECT_EQ(m.text(), L"ab\r\n");
  EXPECT_EQ(m.selection().caret, 4u);
  EXPECT_EQ(m.caretLine(), 1u);
  for (wchar_t c : {L'\t', L'\x01', L'\n', L'\x1b'}) EXPECT_FALSE(m.typeCharacter(c));
  m.setMultiLine(false);
  EXPECT_FALSE(m.typeCharacter(L'\r'));
  EXPECT_TRUE(m.typeCharacter(L'x'));
  EXPECT_EQ(m.text(), L"ab\r\nx");
}

TEST(EditModel, ReadOnlyEditKeepsItsText) {
  EditModel m = makeEdit(L"abc");
  m.setEditable(false);
  m.end();
  EXPECT_FALSE(m.backspace());
  EXPECT_FALSE(m.typeCharacter(L'x'));
  m.selectAll();
  EXPECT_FALSE(m.replaceSelection(L"new"));
  EXPECT_EQ(m.text(), L"abc");
}

TEST(EditModel, TypingReplacesTheSelectionAndMovementDropsIt) {
  EditModel m = makeEdit(L"hello world");
  m.selectAll();
  EXPECT_EQ(m.selectedText(), L"hello world");
  m.left();  // a caret movement drops the selection
  EXPECT_TRUE(m.selection().empty());
  m.placeCaretAt(0, 0, false);
  m.placeCaretAt(40, 0, true);  // a drag to the fifth boundary selects "hello"
  EXPECT_EQ(m.selectedText(), L"hello");
  EXPECT_TRUE(m.typeCharacter(L'J'));
  EXPECT_EQ(m.text(), L"J world");
  m.selectAll();
  m.escape();
  EXPECT_TRUE(m.selection().empty());
  EXPECT_EQ(m.selection().caret, 7u);
}

TEST(EditModel, UpAndDownKeepTheCaretColumnAcrossShortLines) {
  EditModel m = makeEdit(L"abcdefgh\nab\nabcdefgh");
  m.placeCaretAt(48, 0, false);  // line 0, position 6
  EXPECT_EQ(m.selection().caret, 6u);
  m.down();
  EXPECT_EQ(m.selection().caret, 11u);  // the end of "ab"
  m.down();
  EXPECT_EQ(m.selection().caret, 18u);  // column 6 again on the third line
  m.up(), m.up();
  EXPECT_EQ(m.selection().caret, 6u);
  m.up();  // the first line has nothing above
  EXPECT_EQ(m.selection().caret, 6u);
}

TEST(EditModel, PagesHomeEndAndTheWheelScrollWholeLines) {
  std::wstring text;
  for (int i = 0; i < 10; ++i) text += L"line\n";  // 10 lines and an empty 11th
  EditModel m = makeEdit(text);
  ASSERT_EQ(m.lines().size(), 11u);
  ASSERT_EQ(m.visibleRows(), 3u);
  m.pageDown();
  EXPECT_EQ(m.firstVisibleLine(), 3u);
  EXPECT_EQ(m.caretLine(), 3u);
  m.end();
  EXPECT_EQ(m.caretLine(), 10u);
  EXPECT_EQ(m.firstVisibleLine(), 8u);  // the last line visible at the bottom
  m.pageUp();
  EXPECT_EQ(m.caretLine(), 7u);
  m.home();
  EXPECT_EQ(m.selection().caret, 0u);
  EXPECT_EQ(m.firstVisibleLine(), 0u);
  m.scrollLines(120 / -40);  // a notch towards the user scrolls up: nothing above
  EXPECT_EQ(m.firstVisibleLine(), 0u);
  m.scrollLines(-120 / -40);
  EXPECT_EQ(m.firstVisibleLine(), 3u);
  m.scrollLines(100);
  EXPECT_EQ(m.firstVisibleLine(), 8u);  // clamped: the last page stays full
}

TEST(EditModel, PointerRowsAreClampedToTheVisibleLines) {
  std::wstring text;
  for (int i = 0; i < 10; ++i) text += L"abcd\n";
  EditModel m = makeEdit(text);
  m.scrollLines(2);
  m.placeCaretAt(16, 500, false);  // far below: the last visible row (line 4)
  EXPECT_EQ(m.caretLine(), 4u);
  EXPECT_EQ(m.selection().caret, 4 * 5 + 2u);
  m.placeCaretAt(999, -40, true);  // above: the first visible row, at its end
  EXPECT_EQ(m.selection().caret, 2 * 5 + 4u);
  EXPECT_EQ(m.selection().anchor, 22u);
}

TEST(EditModel, WidthChangesLayTheLinesOutAgain) {
  EditModel m = makeEdit(std::wstring(30, L'x'));
  EXPECT_EQ(m.lines().size(), 3u);
  m.setGeometry(160, 10, 35);
  EXPECT_EQ(m.lines().size(), 2u);
  m.setGeometry(-10, 10, 35);  // no room at all: one character a line, no hang
  EXPECT_EQ(m.lines().size(), 30u);
}

// ----------------------------------------------------------- text box model

TEST(TextBoxModel, InsertionsAndTextsAreCutTo2000Characters) {
  struct Case { std::size_t before; std::size_t inserted; std::size_t after; };
  for (const Case& c : std::vector<Case>{{0, 3000, 2000}, {1990, 20, 2000}, {2000, 1, 2000}, {10, 20, 30}}) {
    TextBoxModel m;
    m.setText(std::wstring(c.before, L'a'));
    m.replaceSelection(std::wstring(c.inserted, L'b'));
    EXPECT_EQ(m.text().size(), c.after) << c.before << "+" << c.inserted;
    EXPECT_EQ(m.caret(), c.after);
  }
  TextBoxModel m;
  std::wstring pasted;
  for (int i = 0; i < 3000; ++i) pasted += static_cast<wchar_t>(L'0' + i % 10);
  m.replaceSelection(pasted);
  EXPECT_EQ(m.text(), pasted.substr(0, 2000));  // the first 2000 stay
  EXPECT_TRUE(m.setText(std::wstring(2500, L'z')));
  EXPECT_EQ(m.text().size(), 2000u);
  EXPECT_FALSE(m.setText(std::wstring(2000, L'z')));  // the same text: nothing happens
}

TEST(TextBoxModel, ACutNeverSplitsASurrogatePair) {
  TextBoxModel m;
  m.setText(std::wstring(1999, L'a'));
  m.replaceSelection(L"\xD83D\xDE00");
  EXPECT_EQ(m.text().size(), 1999u);
  m.setText(std::wstring(1999, L'a') + L"\xD83D\xDE00");
  EXPECT_EQ(m.text().size(), 1999u);
}

TEST(TextBoxModel, SelectionBackspaceAndSteps) {
  TextBoxModel m;
  m.setText(L"ab\xD83D\xDE00" L"c");
  EXPECT_EQ(m.caret(), 5u);  // a new text puts the caret at its end
  m.moveLeft();
  m.moveLeft();
  EXPECT_EQ(m.caret(), 2u);  // over the pair in one step
  m.moveRight();
  EXPECT_EQ(m.caret(), 4u);
  EXPECT_TRUE(m.backspace());
  EXPECT_EQ(m.text(), L"abc");
  m.placeCaret(0, false);
  EXPECT_FALSE(m.backspace());
  m.moveLeft();
  EXPECT_EQ(m.caret(), 0u);
  m.selectAll();
  EXPECT_EQ(m.selectedText(), L"abc");
  EXPECT_TRUE(m.backspace());
  EXPECT_EQ(m.text(), L"");
  m.moveRight();
  EXPECT_EQ(m.caret(), 0u);
}

}  // namespace
