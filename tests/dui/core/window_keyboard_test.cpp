// Keyboard use of a real window driven by sent messages: the Tab order and
// the focus mark, Enter and Escape, arrows, access keys, the UI state, the
// frame's close requests, and the focus of a page shown in place of another.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "dui/core/core_plugs.h"
#include "dui/core/framework.h"
#include "dui/core/skin_image.h"
#include "dui/core/skin_source.h"
#include "dui/core/style.h"
#include "tests/dui/core/window_test_util.h"
#include "tests/helpers/image_files.h"

using namespace dui;
using dui_test::place;
using Lines = std::vector<std::string>;

namespace {

// A watchdog ending a modal run that would otherwise wait for ever.
WindowImpl* g_running = nullptr;
void CALLBACK endRunningModal(HWND, UINT, UINT_PTR, DWORD) {
  if (g_running) g_running->endModal(-1);
}

// A root that paints itself white, so every repaint starts from a clean area.
class WhiteCanvas : public Canvas {
 public:
  void draw(HDC dc, const Rect& drawRect, const Rect& clip) override {
    RECT r{drawRect.left, drawRect.top, drawRect.right, drawRect.bottom};
    ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    Canvas::draw(dc, drawRect, clip);
  }
};

// root (White, 300 x 200)
//   pageA (0, 0, 300 x 150)
//     box    (10, 10, 100 x 24)  stop, text entry
//     apply  (10, 50, 80 x 30)   stop, "&Apply"
//     ok     (200, 100, 80 x 30) stop, default, "O&K"
//   pageB hidden, same place
//     label  (10, 10)            "&Name:" (no stop)
//     field  (10, 40, 100 x 24)  stop
//     okB    (200, 100, 80 x 30) stop, default
//   cancel (260, 160, 30 x 30)   cancel, tabindex -1
class WindowKeyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    // The cues follow the system's setting, read when a window is made: the
    // tests start from "hidden until the keyboard is used" (Wine's default
    // is "always shown").
    ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &systemCues, 0);
    ::SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, nullptr, 0);
    ASSERT_TRUE(startFramework());
    root = new WhiteCanvas;
    root->setInt(names::width, 300);
    root->setInt(names::height, 200);
    pageA = static_cast<Panel*>(place(root, new Canvas, 0, 0, 300, 150));
    box = place(pageA, new Control, 10, 10, 100, 24, flags::TabStop | flags::TextEntry | flags::Focusable);
    apply = place(pageA, new Control, 10, 50, 80, 30, flags::TabStop);
    apply->setString(names::text, L"&Apply");
    ok = place(pageA, new Control, 200, 100, 80, 30, flags::TabStop);
    ok->setString(names::text, L"O&K");
    ok->setInt(names::isDefault, 1);
    pageB = static_cast<Panel*>(place(root, new Canvas, 0, 0, 300, 150));
    pageB->setFlag(flags::Visible, false);
    label = place(pageB, new Control, 10, 10, 60, 20);
    label->setString(names::text, L"&Name:");
    field = place(pageB, new Control, 10, 40, 100, 24, flags::TabStop);
    okB = place(pageB, new Control, 200, 100, 80, 30, flags::TabStop);
    okB->setInt(names::isDefault, 1);
    cancel = place(root, new Control, 260, 160, 30, 30, flags::TabStop);
    cancel->setInt(names::isCancel, 1);
    cancel->setInt(names::tabindex, -1);
    window = dui_test::openQuietPopup(root, true);  // layered: the test reads the back buffer
    ASSERT_NE(window, nullptr);
    hwnd = window->hwnd();
    for (auto [c, name] : {std::pair<Control*, const char*>{box, "box"}, {apply, "apply"}, {ok, "ok"},
                           {field, "field"}, {okB, "okB"}, {cancel, "cancel"}})
      log.tap(c, name);
  }
  void TearDown() override {
    setShift(false);
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    shutdownFramework();
    dui_test::pump();
    ::SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(systemCues)), 0);
  }
  LRESULT send(UINT message, WPARAM wParam, LPARAM lParam = 1) { return ::SendMessageW(hwnd, message, wParam, lParam); }
  // A key as the loop delivers it: the press, its character, the release.
  void key(WPARAM vk, wchar_t character = 0) {
    send(WM_KEYDOWN, vk);
    if (character) send(WM_CHAR, character);
    send(WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001));
  }
  static void setShift(bool down) {
    BYTE state[256];
    if (!::GetKeyboardState(state)) return;
    state[VK_SHIFT] = down ? 0x80 : 0;
    ::SetKeyboardState(state);
  }
  // The Click events (posted) and the key events so far, by control.
  Lines clicksAndKeys() {
    dui_test::pump();
    Lines out;
    for (const std::string& line : log.take())
      if (line.find(":Click") != std::string::npos || line.find(":KeyPress") != std::string::npos) out.push_back(line);
    return out;
  }
  std::uint32_t pixel(int x, int y) const {
    const BackBuffer& b = window->backBuffer();
    return b.pixels()[y * b.width() + x];
  }

  BOOL systemCues = FALSE;
  WindowImpl* window = nullptr;
  HWND hwnd = nullptr;
  Canvas* root = nullptr;
  Panel* pageA = nullptr;
  Panel* pageB = nullptr;
  Control *box = nullptr, *apply = nullptr, *ok = nullptr, *label = nullptr, *field = nullptr, *okB = nullptr,
          *cancel = nullptr;
  dui_test::EventLog log;
};

TEST_F(WindowKeyboard, TabAndShiftTabWalkTheStopsAndTheirCharacterIsEaten) {
  EXPECT_FALSE(window->focusMarkShown()) << "hidden until the keyboard is used";
  struct Step {
    bool shift;
    Control* expected;
  };
  const Step steps[] = {{false, box}, {false, apply}, {false, ok}, {false, box}, {true, ok}, {true, apply}};
  for (const Step& step : steps) {
    setShift(step.shift);
    key(VK_TAB, L'\t');
    EXPECT_EQ(window->focusControl(), step.expected);
  }
  setShift(false);
  EXPECT_TRUE(window->focusMarkShown());
  EXPECT_EQ(clicksAndKeys(), Lines{}) << "no control saw the Tab characters";
  EXPECT_EQ(send(WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0) << "the system knows the mark shows";
}

TEST_F(WindowKeyboard, EnterPressesTheDefaultAndEscapeTheCancelButton) {
  window->setFocus(apply);
  key(VK_RETURN, L'\r');
  key(VK_ESCAPE, 0x1B);
  EXPECT_EQ(clicksAndKeys(), (Lines{"ok:Click", "cancel:Click"}));
  // A control that uses Enter itself keeps it: no default press, and the
  // character reaches it.
  struct Taker {
    void on(Control*, Event& e) {
      if (e.wparam == VK_RETURN) e.handled = 1;
    }
  } taker;
  box->addHandler(events::KeyDown, &taker, &Taker::on);
  window->setFocus(box);
  key(VK_RETURN, L'\r');
  EXPECT_EQ(clicksAndKeys(), (Lines{"box:KeyPress"}));
  ok->setFlag(flags::Enabled, false);  // a disabled default is not pressed
  window->setFocus(apply);
  key(VK_RETURN, L'\r');
  EXPECT_EQ(clicksAndKeys(), (Lines{"apply:KeyPress"}));
}

TEST_F(WindowKeyboard, ArrowsMoveTheFocusExceptFromATextControl) {
  window->setFocus(apply);
  key(VK_DOWN);
  EXPECT_EQ(window->focusControl(), ok);
  key(VK_LEFT);
  EXPECT_EQ(window->focusControl(), apply);
  window->setFocus(box);
  key(VK_RIGHT);
  EXPECT_EQ(window->focusControl(), box);
  window->setFocus(nullptr);
  key(VK_DOWN);
  EXPECT_EQ(window->focusControl(), nullptr) << "no focus: the arrows do nothing";
}

TEST_F(WindowKeyboard, AccessKeysWithAltAndAsBareLettersOutsideTextControls) {
  EXPECT_FALSE(window->accessKeysShown());
  send(WM_SYSKEYDOWN, VK_MENU, 0x20000001);
  EXPECT_TRUE(window->accessKeysShown()) << "Alt shows the underlines";
  EXPECT_EQ(send(WM_SYSCHAR, L'a', 0x20000001), 0);
  EXPECT_EQ(window->focusControl(), apply);
  EXPECT_EQ(clicksAndKeys(), (Lines{"apply:Click"}));
  window->setFocus(box);
  send(WM_CHAR, L'k');  // typed into the text control
  EXPECT_EQ(window->focusControl(), box);
  EXPECT_EQ(clicksAndKeys(), (Lines{"box:KeyPress"}));
  window->setFocus(apply);
  send(WM_CHAR, L'k');
  EXPECT_EQ(window->focusControl(), ok);
  EXPECT_EQ(clicksAndKeys(), (Lines{"apply:KeyPress", "ok:Click"}));
  // A label on a shown page focuses the stop after it.
  pageA->setFlag(flags::Visible, false);
  pageB->setFlag(flags::Visible, true);
  window->forgetControl(pageA);
  send(WM_SYSCHAR, L'n', 0x20000001);
  EXPECT_EQ(window->focusControl(), field);
  EXPECT_EQ(clicksAndKeys(), Lines{});
}

TEST_F(WindowKeyboard, TheSystemsUiStateShowsAndHidesTheCues) {
  send(WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  EXPECT_TRUE(window->focusMarkShown());
  EXPECT_TRUE(window->accessKeysShown());
  send(WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEACCEL), 0);
  EXPECT_TRUE(window->focusMarkShown());
  EXPECT_FALSE(window->accessKeysShown());
}

TEST_F(WindowKeyboard, ClosingByTheFramePressesTheCancelButton) {
  send(WM_CLOSE, 0, 0);
  ASSERT_TRUE(::IsWindow(hwnd)) << "a window with a cancel button is not closed by its frame";
  EXPECT_EQ(clicksAndKeys(), (Lines{"cancel:Click"}));
  // In a modal run, the posted and the sent requests press it too; its Click
  // ends the run.
  struct Ender {
    WindowImpl* window;
    int clicks = 0;
    void on(Control*, Event&) {
      if (++clicks == 3) window->endModal(7);
    }
  } ender{window};
  cancel->addHandler(events::Click, &ender, &Ender::on);
  ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
  ::PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  ::PostMessageW(hwnd, WM_SYSKEYDOWN, VK_F4, 0x20000001);  // Alt+F4, through the system
  // Should the requests press nothing, the run ends after 5 s with -1.
  g_running = window;
  const UINT_PTR watchdog = ::SetTimer(nullptr, 0, 5000, &endRunningModal);
  EXPECT_EQ(window->runModal(nullptr), 7);
  ::KillTimer(nullptr, watchdog);
  EXPECT_EQ(ender.clicks, 3);
  EXPECT_FALSE(::IsWindow(hwnd));
}

TEST_F(WindowKeyboard, WithoutACancelButtonTheFrameClosesAnOrdinaryWindow) {
  cancel->setFlag(flags::Enabled, false);
  send(WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(hwnd));
}

TEST_F(WindowKeyboard, APageShownInPlaceOfTheFocusedOneTakesTheFocus) {
  window->setFocus(apply);
  // Another window is active (a message box, say): the choice waits for
  // the activation.
  kavri::UniqueOwnedHwnd other(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                                 nullptr, nullptr, nullptr));
  ASSERT_TRUE(other);
  ::SetActiveWindow(other.get());
  ASSERT_NE(::GetActiveWindow(), hwnd);
  // What the script's setVisible does: hide (forget), show (controlShown).
  pageA->setFlag(flags::Visible, false);
  window->forgetControl(pageA);
  pageB->setFlag(flags::Visible, true);
  window->controlShown(pageB);
  dui_test::pump();
  EXPECT_EQ(window->focusControl(), nullptr);
  EXPECT_EQ(window->savedFocus(), okB);
  ::SetActiveWindow(hwnd);
  dui_test::pump();
  EXPECT_EQ(window->focusControl(), okB);
  // Back: page A's default button, and a focus that can stay is not moved.
  pageB->setFlag(flags::Visible, false);
  window->forgetControl(pageB);
  pageA->setFlag(flags::Visible, true);
  window->controlShown(pageA);
  dui_test::pump();
  EXPECT_EQ(window->focusControl(), ok);
  window->setFocus(box);
  window->controlShown(cancel);
  dui_test::pump();
  EXPECT_EQ(window->focusControl(), box);
}

TEST_F(WindowKeyboard, TheFocusMarkIsADottedFrameInsideTheControlDrawnOpaque) {
  window->setFocus(apply);
  window->flush();
  const std::uint32_t clean = pixel(12, 52);
  EXPECT_EQ(clean & 0xFFFFFFu, 0xFFFFFFu);
  key(VK_TAB);  // shows the mark, on `ok`
  key(VK_LEFT);  // and back to `apply`
  ASSERT_EQ(window->focusControl(), apply);
  window->flush();
  // The frame lies 2 pixels inside (10, 50)-(90, 80); dots on every other pixel.
  int marked = 0;
  for (int x = 12; x < 88; ++x) {
    const std::uint32_t p = pixel(x, 52);
    if ((p & 0xFFFFFFu) != 0xFFFFFFu) {
      ++marked;
      EXPECT_EQ(p >> 24, 0xFFu) << "opaque in the layered window, at x " << x;
    }
  }
  EXPECT_GT(marked, 30);
  EXPECT_EQ(pixel(40, 65) & 0xFFFFFFu, 0xFFFFFFu) << "inside the frame nothing is drawn";
  // Moving on repaints the old place clean.
  key(VK_TAB);
  window->flush();
  for (int x = 12; x < 88; ++x) EXPECT_EQ(pixel(x, 52) & 0xFFFFFFu, 0xFFFFFFu) << x;
}

TEST_F(WindowKeyboard, ASkinsFocusPictureReplacesTheDottedFrame) {
  struct Skin : SkinSource {
    Style* getStyle(const std::wstring& name) override { return name == L"button.xml" ? &style : nullptr; }
    SkinImage* getImage(const std::wstring& name) override { return name == L"focus.png" ? &image : nullptr; }
    HFONT getFont(const std::wstring&) override { return nullptr; }
    Style style;
    SkinImage image;
  } skin;
  const std::vector<kavri::test::Rgba> red(4 * 4, kavri::test::Rgba{255, 0, 0, 255});
  const std::vector<std::uint8_t> png = kavri::test::encodePng(4, 4, red);
  ASSERT_TRUE(skin.image.load(png.data(), png.size()));
  skin.style.setString(names::focusSkin, L"focus.png");
  CorePlugs plugs = corePlugs();
  plugs.skinSource = &skin;
  const CorePlugs previous = replaceCorePlugs(plugs);
  apply->setString(names::style, L"button.xml");
  window->setFocus(apply);
  send(WM_SYSKEYDOWN, VK_MENU, 0x20000001);  // Alt shows the mark
  window->flush();
  EXPECT_EQ(pixel(40, 65) & 0xFFFFFFu, 0xFF0000u) << "the picture covers the control";
  replaceCorePlugs(previous);
}

}  // namespace
