// The text controls on a real window: typing, keys, clipboard, caret and
// painting of Edit and TextBox; measuring of Label; LinkLabel's press.
#include <gtest/gtest.h>

#include "dui/controls/clipboard_text.h"
#include "dui/controls/text_controls.h"
#include "dui/core/back_buffer.h"
#include "dui/core/control_geometry.h"
#include "dui/core/layout.h"
#include "tests/dui/controls/control_window.h"

using namespace dui;
using dui_test::place;

namespace {

// box: TextBox (10, 10, 200 x 30); edit: Edit (10, 60, 300 x 120);
// link: LinkLabel (10, 200, 100 x 20) over `under`, a button-like control.
class TextControls : public dui_test::ControlWindow {
 protected:
  void SetUp() override {
    ControlWindow::SetUp();
    box = static_cast<TextBox*>(place(root, new TextBox, 10, 10, 200, 30));
    box->setString(names::text, L"C:\\Kavri");
    edit = static_cast<Edit*>(place(root, new Edit, 10, 60, 300, 120));
    under = place(root, new Control, 10, 200, 100, 20, flags::ButtonLike);
    link = static_cast<LinkLabel*>(place(root, new LinkLabel, 10, 200, 100, 20));
    open();
  }
  void focusBox() { click(100, 25); }
  // Pixels of the selection colour inside a control after a full repaint.
  // (Nothing paints a background here, so the area is cleared first.)
  int selectionPixels(Control* c) {
    const BackBuffer& buffer = window->backBuffer();
    ::GdiFlush();
    for (int y = c->rect().top; y < c->rect().bottom; ++y)
      for (int x = c->rect().left; x < c->rect().right; ++x) buffer.pixels()[y * buffer.width() + x] = 0;
    ::InvalidateRect(hwnd, nullptr, FALSE);
    ::UpdateWindow(hwnd);
    ::GdiFlush();
    int count = 0;
    for (int y = c->rect().top; y < c->rect().bottom; ++y)
      for (int x = c->rect().left; x < c->rect().right; ++x)
        if ((buffer.pixels()[y * buffer.width() + x] & 0xFFFFFF) == 0x3399FF) ++count;
    return count;
  }
  void focusEdit() { click(290, 170); }

  TextBox* box = nullptr;
  Edit* edit = nullptr;
  Control* under = nullptr;
  LinkLabel* link = nullptr;
};

TEST_F(TextControls, TextBoxTakesItsTextFromMarkupAndTypes) {
  EXPECT_EQ(box->text(), L"C:\\Kavri");
  focusBox();
  EXPECT_EQ(window->focusControl(), box);
  EXPECT_TRUE(window->caretBlinking());
  key(VK_END);  // ignored, as are Home and Delete
  key(VK_HOME);
  key(VK_DELETE);
  const std::size_t caret = box->model().caret();
  EXPECT_EQ(box->text(), L"C:\\Kavri");
  key(VK_LEFT);
  EXPECT_EQ(box->model().caret(), caret - 1);
  key(VK_RIGHT);
  key(VK_RIGHT);  // not beyond the end
  EXPECT_EQ(box->model().caret(), 8u);
  type(L"\\App\x01\r");  // control characters are not text
  EXPECT_EQ(box->text(), L"C:\\Kavri\\App");
  key(VK_BACK);
  EXPECT_EQ(box->text(), L"C:\\Kavri\\Ap");
}

TEST_F(TextControls, TextBoxKeepsTheFirst2000CharactersOfA3000CharacterPaste) {
  std::wstring pasted;
  for (int i = 0; i < 3000; ++i) pasted += static_cast<wchar_t>(L'a' + i % 26);
  ASSERT_TRUE(copyTextToClipboard(hwnd, pasted));
  box->setText(L"");
  focusBox();
  withControl('V');
  EXPECT_EQ(box->text(), pasted.substr(0, 2000));
  EXPECT_EQ(box->model().caret(), 2000u);
  EXPECT_GT(box->scrollOffset(), 0);  // scrolled to keep the caret in view
  type(L"x");                         // no room left
  EXPECT_EQ(box->text().size(), 2000u);
  withControl('A');
  key(VK_BACK);
  EXPECT_EQ(box->text(), L"");
  EXPECT_EQ(box->scrollOffset(), 0);  // nothing left to scroll
}

TEST_F(TextControls, TextBoxPasteDropsControlCharactersAsTypingDoes) {
  struct Case { const wchar_t* clip; const wchar_t* text; };
  for (const Case& c : {Case{L"D:\\Games\r\n", L"D:\\Games"}, Case{L"a\tb\nc", L"abc"},
                        Case{L"\r\n", L""}, Case{L"x\x01y", L"xy"}}) {
    ASSERT_TRUE(copyTextToClipboard(hwnd, c.clip));
    box->setText(L"");
    focusBox();
    withControl('V');
    EXPECT_EQ(box->text(), c.text);
  }
}

// The label sizes to its text; after a longer text and a relayout that keeps
// the window's size, the pixels where it grew must be painted.
TEST_F(TextControls, UpdateLayoutRepaintsWhatMovedOrGrew) {
  auto* label = new Label;
  label->setInt(names::x, 10);
  label->setInt(names::y, 250);
  label->setInt(names::color, 0xFFFFFF);
  label->setString(names::text, L"W");
  root->addChild(label);
  window->updateLayout();
  dui_test::pump();
  const int oldRight = label->rect().right;
  ASSERT_GT(oldRight, 10);

  const BackBuffer& buffer = window->backBuffer();
  auto inked = [&] {   // lit pixels right of the old rectangle
    ::GdiFlush();
    int count = 0;
    for (int y = 250; y < 280 && y < buffer.height(); ++y)
      for (int x = oldRight; x < 300; ++x) count += (buffer.pixels()[y * buffer.width() + x] & 0xFFFFFF) != 0;
    return count;
  };
  ::GdiFlush();
  for (int y = 250; y < 280; ++y)
    for (int x = 0; x < 300; ++x) buffer.pixels()[y * buffer.width() + x] = 0;
  label->setString(names::text, L"WWWWWWWWWW");   // as a script's setText: the old area is marked
  invalidate(label, false);
  window->updateLayout();
  dui_test::pumpFor();   // painted in the next frame at the latest
  EXPECT_GT(label->rect().right, oldRight + 20);
  EXPECT_GT(inked(), 0);
}

TEST_F(TextControls, TextBoxDoubleClickSelectsAllAndCutCopies) {
  focusBox();
  send(WM_LBUTTONDBLCLK, MK_LBUTTON, dui_test::at(50, 25));
  EXPECT_EQ(box->model().selectedText(), L"C:\\Kavri");
  withControl('X');
  EXPECT_EQ(box->text(), L"");
  std::wstring clip;
  ASSERT_TRUE(readClipboardText(hwnd, clip));
  EXPECT_EQ(clip, L"C:\\Kavri");
  withControl('V');
  withControl('V');
  EXPECT_EQ(box->text(), L"C:\\KavriC:\\Kavri");
}

TEST_F(TextControls, TextBoxLosingTheFocusHidesTheCaretAndDropsTheSelection) {
  focusBox();
  EXPECT_EQ(selectionPixels(box), 0);
  withControl('A');
  EXPECT_FALSE(box->model().selection().empty());
  EXPECT_GT(selectionPixels(box), 0);
  window->setFocus(nullptr);
  EXPECT_TRUE(box->model().selection().empty());
  EXPECT_FALSE(window->caretBlinking());
  EXPECT_EQ(selectionPixels(box), 0);
}

TEST_F(TextControls, AFocusedTextControlThatDiesTakesTheCaretWithIt) {
  focusBox();
  EXPECT_TRUE(window->caretBlinking());
  delete box;
  box = nullptr;
  EXPECT_FALSE(window->caretBlinking());
  focusEdit();
  EXPECT_TRUE(window->caretBlinking());
  root->removeChild(edit);  // leaving the tree loses the focus
  EXPECT_FALSE(window->caretBlinking());
  delete edit;
  edit = nullptr;
}

TEST_F(TextControls, TextBoxSetTextToTheSameTextKeepsTheCaret) {
  focusBox();
  key(VK_LEFT);
  box->setText(L"C:\\Kavri");
  EXPECT_EQ(box->model().caret(), 7u);
  box->setText(L"D:\\");
  EXPECT_EQ(box->model().caret(), 3u);
  EXPECT_EQ(box->scrollOffset(), 0);
}

TEST_F(TextControls, EditReturnInsertsTwoCharactersAndBackspaceRemovesBoth) {
  focusEdit();
  EXPECT_EQ(window->focusControl(), edit);
  type(L"ab\rc");
  EXPECT_EQ(edit->text(), L"ab\r\nc");
  key(VK_BACK);
  key(VK_BACK);  // the pair goes in one step
  EXPECT_EQ(edit->text(), L"ab");
  key(VK_HOME);
  key(VK_BACK);  // nothing before position 0
  EXPECT_EQ(edit->text(), L"ab");
}

TEST_F(TextControls, EditShiftArrowMovesTheCaretAndDropsTheSelection) {
  edit->setText(L"hello");
  focusEdit();
  withControl('A');
  EXPECT_EQ(edit->model().selectedText(), L"hello");
  EXPECT_GT(selectionPixels(edit), 0);
  BYTE state[256];
  ::GetKeyboardState(state);
  state[VK_SHIFT] = 0x80;
  ::SetKeyboardState(state);
  key(VK_LEFT);
  state[VK_SHIFT] = 0;
  ::SetKeyboardState(state);
  EXPECT_TRUE(edit->model().selection().empty());
  EXPECT_EQ(edit->model().selection().caret, 4u);
  EXPECT_EQ(selectionPixels(edit), 0);
}

TEST_F(TextControls, EditDragSelectsAndCopies) {
  edit->setText(L"drag me");
  focusEdit();
  mouse(WM_LBUTTONDOWN, 15, 70, MK_LBUTTON);  // the start of the first line
  mouse(WM_MOUSEMOVE, 300, 70, MK_LBUTTON);   // its end
  mouse(WM_LBUTTONUP, 300, 70);
  EXPECT_EQ(edit->model().selectedText(), L"drag me");
  withControl('C');
  std::wstring clip;
  ASSERT_TRUE(readClipboardText(hwnd, clip));
  EXPECT_EQ(clip, L"drag me");
}

TEST_F(TextControls, EditWheelScrollsThreeLinesANotchOnlyWithTheFocus) {
  std::wstring text;
  for (int i = 0; i < 40; ++i) text += L"line\r\n";
  edit->setText(text);
  dui_test::cursorTo(hwnd, 100, 100);
  send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  EXPECT_EQ(edit->model().firstVisibleLine(), 0u);  // not focused
  focusEdit();
  dui_test::cursorTo(hwnd, 100, 100);
  send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  EXPECT_EQ(edit->model().firstVisibleLine(), 3u);
  send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(240)), 0);
  EXPECT_EQ(edit->model().firstVisibleLine(), 0u);
  for (int i = 0; i < 6; ++i) send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-20)), 0);
  EXPECT_EQ(edit->model().firstVisibleLine(), 3u);   // six sixths of a notch
}

TEST_F(TextControls, EditDrawsTabsInAVeryLongLine) {
  // One line of 50000 characters, a third of them tabs, and one of tabs only:
  // wrapped, expanded and painted without any fixed buffer to overrun.
  std::wstring text;
  for (int i = 0; i < 50000; ++i) text += (i % 3 == 0) ? L'\t' : L'x';
  text += L"\r\n" + std::wstring(5000, L'\t');
  edit->setText(text);
  EXPECT_GT(edit->model().lines().size(), 100u);
  ::InvalidateRect(hwnd, nullptr, FALSE);
  ::UpdateWindow(hwnd);
  focusEdit();
  key(VK_END);
  ::UpdateWindow(hwnd);
  EXPECT_EQ(edit->model().caretLine(), edit->model().lines().size() - 1);
  EXPECT_EQ(edit->text().size(), text.size());
}

TEST_F(TextControls, ReadOnlyEditIgnoresTypingAndPaste) {
  edit->setInt(names::texteditable, 0);
  edit->setString(names::text, L"fixed");
  root->removeChild(edit);
  root->addChild(edit);  // attached again: reads its attributes again
  EXPECT_EQ(edit->text(), L"fixed");
  focusEdit();
  type(L"x");
  ASSERT_TRUE(copyTextToClipboard(hwnd, L"pasted"));
  withControl('V');
  key(VK_BACK);
  withControl('A');
  withControl('X');
  EXPECT_EQ(edit->text(), L"fixed");
}

TEST_F(TextControls, TheTextAttributeMirrorsTheContent) {
  // Typed text reaches the attribute (what a script's common getText reads),
  // and a value written into the attribute becomes the content at the next
  // input, never while painting.
  focusBox();
  type(L"\\x");
  EXPECT_EQ(box->getText(), L"C:\\Kavri\\x");
  box->setString(names::text, L"D:\\Other");
  invalidate(box, false);
  dui_test::pump();
  ::UpdateWindow(hwnd);
  EXPECT_EQ(box->text(), L"C:\\Kavri\\x");
  EXPECT_EQ(box->model().caret(), 10u);
  key(VK_LEFT);
  EXPECT_EQ(box->text(), L"D:\\Other");
  EXPECT_EQ(box->model().caret(), 7u);   // adopted with the caret at the end, then moved
  box->setString(names::text, std::wstring(2100, L'y'));
  type(L"z");  // adopted (cut to 2000) before the key: no room for z
  EXPECT_EQ(box->text(), std::wstring(2000, L'y'));
  EXPECT_EQ(box->getText(), box->text());

  focusEdit();
  type(L"ab\r");
  EXPECT_EQ(edit->getText(), L"ab\r\n");
  root->removeChild(edit);
  root->addChild(edit);  // the mirrored text survives a second attach
  EXPECT_EQ(edit->text(), L"ab\r\n");
}

TEST_F(TextControls, KeysBubblePastTheEditButNotPastTheTextBox) {
  int seen = 0;
  struct Counter {
    int* n;
    void on(Control*, Event&) { ++*n; }
  } counter{&seen};
  root->addHandler(events::KeyDown, &counter, &Counter::on);
  focusEdit();
  key(VK_LEFT);
  EXPECT_EQ(seen, 1);
  focusBox();
  key(VK_LEFT);
  key(VK_HOME);  // ignored, and handled all the same
  EXPECT_EQ(seen, 1);
}

TEST_F(TextControls, EditReadsLineSpacingAndPaddingWhenAttached) {
  const int plain = edit->lineHeight();
  edit->setInt(names::textspace, 4);
  edit->setSize(names::textpadding, Size{20, 10});
  root->removeChild(edit);
  root->addChild(edit);
  EXPECT_EQ(edit->lineHeight(), plain + 4);
  edit->setText(L"abc");
  focusEdit();
  mouse(WM_LBUTTONDOWN, 10 + 20 + 1, 60 + 10 + 1, MK_LBUTTON);  // just inside the padding: before "a"
  mouse(WM_LBUTTONUP, 10 + 20 + 1, 60 + 10 + 1);
  EXPECT_EQ(edit->model().selection().caret, 0u);
}

TEST_F(TextControls, LabelMeasuresAsItsPaddingWithoutText) {
  Label label;
  label.setRect(names::padding, Rect{3, 4, 5, 6});
  EXPECT_EQ(label.measureOverride(1000, 1000).width, 8);
  EXPECT_EQ(label.measureOverride(1000, 1000).height, 10);
  label.setString(names::text, L"Welcome");
  const Size withText = label.measureOverride(1000, 1000);
  EXPECT_GT(withText.width, 8);
  EXPECT_GT(withText.height, 10);
  EXPECT_TRUE(label.hasFlag(flags::HitTransparent));
  EXPECT_STREQ(label.typeName(), L"Control");
}

std::vector<std::wstring> g_opened;
void recordUrl(const std::wstring& url) { g_opened.push_back(url); }

TEST_F(TextControls, LinkLabelSwallowsThePressAndOpensOnlyItsAddress) {
  LinkLabel::setOpener(&recordUrl);
  g_opened.clear();
  click(50, 210);
  EXPECT_TRUE(g_opened.empty());
  EXPECT_FALSE(under->hasFlag(flags::Captured));
  EXPECT_EQ(window->captureHolder(), nullptr);
  link->setString(names::url, L"https://example.invalid/");
  click(50, 210);
  EXPECT_EQ(g_opened, std::vector<std::wstring>{L"https://example.invalid/"});
  LinkLabel::setOpener(nullptr);
}

}  // namespace
