// What screen readers see: the role table of the controls, and the accessible
// object a real window answers to WM_GETOBJECT, read back through oleacc as a
// client reads it (roles, names, values, states, locations, hit testing,
// navigation, default actions, the WinEvents), and what it answers once its
// control or its window is gone.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <memory>
#include <string>
#include <vector>

#include "dui/controls/accessible_roles.h"
#include "dui/controls/button_family.h"
#include "dui/controls/label.h"
#include "dui/controls/list_controls.h"
#include "dui/controls/page_controls.h"
#include "dui/controls/text_controls.h"
#include "dui/core/accessible_object.h"
#include "dui/core/layout_panels.h"
#include "tests/dui/controls/control_window.h"

using namespace dui;
using dui_test::place;

namespace {

TEST(AccessibleRoles, EachControlFindsItsLineOfTheTable) {
  struct Case {
    const char* kind;  // nullptr: not seen by screen readers
    std::unique_ptr<Control> control;
  };
  auto label = [](const wchar_t* text) {
    auto c = std::make_unique<Label>();
    c->setString(names::text, text);
    return c;
  };
  std::vector<Case> cases;
  cases.push_back({"push button", std::make_unique<Button>()});
  cases.push_back({"push button", std::make_unique<ImageButton>()});
  cases.push_back({"toggle button", std::make_unique<ToggleIconButton>()});
  cases.push_back({"check box", std::make_unique<CheckBox>()});
  cases.push_back({"option button", std::make_unique<RadioButton>()});
  cases.push_back({"page tab", std::make_unique<TabItem>()});
  cases.push_back({"text", label(L"Install &into:")});
  cases.push_back({nullptr, label(L"")});     // a spacer
  cases.push_back({nullptr, label(L"&")});    // reads as nothing
  cases.push_back({"link", std::make_unique<LinkLabel>()});
  cases.push_back({"text box", std::make_unique<TextBox>()});
  cases.push_back({"edit", std::make_unique<Edit>()});
  cases.push_back({"list", std::make_unique<ListBox>()});
  cases.push_back({"combo box", std::make_unique<ComboBox>()});
  cases.push_back({"progress bar", std::make_unique<ProgressBar>()});
  cases.push_back({"slider", std::make_unique<Slider>()});
  cases.push_back({"scroll bar", std::make_unique<ScrollBar>()});
  cases.push_back({"scroll panel", std::make_unique<ScrollPanel>()});
  cases.push_back({"page tab list", std::make_unique<TabControl>()});
  cases.push_back({"graphic", std::make_unique<Drawing>()});
  cases.push_back({"slideshow", std::make_unique<PowerPoint>()});
  cases.push_back({nullptr, std::make_unique<Grid>()});
  cases.push_back({nullptr, std::make_unique<StackPanel>()});
  cases.push_back({nullptr, std::make_unique<TitleBar>()});
  for (const Case& c : cases) {
    const AccessibleRole* line = accessibleRoleOf(*c.control);
    EXPECT_STREQ(line ? line->kind : nullptr, c.kind) << (c.kind ? c.kind : "(none)");
  }
  // A list's items are list items, whatever control they are.
  ListBox list;
  auto* item = new Button;
  list.addItem(item);
  EXPECT_STREQ(accessibleRoleOf(*item)->kind, "list item");
  // Every line is some control's: none is hidden behind an earlier one.
  EXPECT_EQ(kAccessibleRoleCount, 19u);
}

// What a client reads from a window.
struct Child {
  long id = 0;
  long role = 0;
  std::wstring name, value, description, action, shortcut;
  long state = 0;
};

std::wstring take(BSTR text) {
  std::wstring out = text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
  ::SysFreeString(text);
  return out;
}

VARIANT childVariant(long id) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

Child read(IAccessible* acc, long id) {
  Child c;
  c.id = id;
  const VARIANT v = childVariant(id);
  VARIANT out;
  ::VariantInit(&out);
  if (SUCCEEDED(acc->get_accRole(v, &out)) && out.vt == VT_I4) c.role = out.lVal;
  ::VariantInit(&out);
  if (SUCCEEDED(acc->get_accState(v, &out)) && out.vt == VT_I4) c.state = out.lVal;
  BSTR text = nullptr;
  if (SUCCEEDED(acc->get_accName(v, &text))) c.name = take(text);
  text = nullptr;
  if (SUCCEEDED(acc->get_accValue(v, &text))) c.value = take(text);
  text = nullptr;
  if (SUCCEEDED(acc->get_accDescription(v, &text))) c.description = take(text);
  text = nullptr;
  if (SUCCEEDED(acc->get_accDefaultAction(v, &text))) c.action = take(text);
  text = nullptr;
  if (SUCCEEDED(acc->get_accKeyboardShortcut(v, &text))) c.shortcut = take(text);
  return c;
}

struct ClickCount {
  int count = 0;
  void on(Control*, Event&) { ++count; }
};

// Events a WinEvent hook saw, for this process.
std::vector<std::pair<DWORD, long>> g_events;
void CALLBACK onWinEvent(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
  if (object == OBJID_CLIENT) g_events.emplace_back(event, child);
}

// root 400 x 300:
//   heading  label "Choose a folder" (10, 10)
//   into     label "Install &into:" (10, 40)
//   box      text box "C:\Kavri" (10, 60, 200 x 28)
//   accept   check box "I &accept" (10, 100, 200 x 20)
//   bar      progress bar (10, 130, 200 x 12), 47 of 100
//   pic      image, name "Kavri logo", tooltip "the product" (250, 10, 40 x 40)
//   spacer   empty label
//   next     button "&Next", default (300, 260, 80 x 24)
class Accessibility : public dui_test::ControlWindow {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ControlWindow::SetUp();
    plugAccessibleRoles();
    heading = text(L"Choose a folder", 10, 10);
    into = text(L"Install &into:", 10, 40);
    box = static_cast<TextBox*>(place(root, new TextBox, 10, 60, 200, 28));
    box->setString(names::text, L"C:\\Kavri");
    accept = static_cast<CheckBox*>(place(root, new CheckBox, 10, 100, 200, 20));
    accept->setString(names::text, L"I &accept");
    bar = static_cast<ProgressBar*>(place(root, new ProgressBar, 10, 130, 200, 12));
    bar->setRange(100);
    bar->setPosition(47);
    pic = place(root, new Drawing, 250, 10, 40, 40);
    pic->setString(names::name, L"Kavri logo");
    pic->setString(names::tooltip, L"the product");
    text(L"", 10, 150);
    next = static_cast<Button*>(place(root, new Button, 300, 260, 80, 24));
    next->setString(names::text, L"&Next");
    next->setInt(names::isDefault, 1);
    next->addHandler(events::Click, &nextClicks, &ClickCount::on);
    open();
    ::SetActiveWindow(hwnd);
    dui_test::pump();
    ASSERT_TRUE(SUCCEEDED(::AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                       reinterpret_cast<void**>(&acc))));
    hook = ::SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, &onWinEvent, ::GetCurrentProcessId(), 0,
                             WINEVENT_OUTOFCONTEXT);
    g_events.clear();
  }
  void TearDown() override {
    if (hook) ::UnhookWinEvent(hook);
    if (acc) acc->Release();
    ControlWindow::TearDown();
    unplugAccessibleRoles();
    ::CoUninitialize();
  }
  Label* text(const wchar_t* t, int x, int y) {
    auto* l = new Label;
    l->setString(names::text, t);
    return static_cast<Label*>(place(root, l, x, y, 180, 20));
  }
  static long idOf(const Control* c) { return static_cast<long>(c->serial()); }
  std::vector<long> children() {
    long count = 0;
    EXPECT_EQ(acc->get_accChildCount(&count), S_OK);
    std::vector<VARIANT> v(static_cast<std::size_t>(count) + 1);
    long got = 0;
    EXPECT_TRUE(SUCCEEDED(::AccessibleChildren(acc, 0, count, v.data(), &got)));
    std::vector<long> ids;
    for (long i = 0; i < got; ++i) {
      EXPECT_EQ(v[std::size_t(i)].vt, VT_I4);
      ids.push_back(v[std::size_t(i)].lVal);
    }
    return ids;
  }
  // Waits for the hook's out-of-context calls (they come as messages).
  bool sawEvent(DWORD event, const Control* c) {
    for (int i = 0; i < 50; ++i) {
      dui_test::pump();
      for (const auto& [e, child] : g_events)
        if (e == event && child == idOf(c)) return true;
      ::Sleep(10);
    }
    return false;
  }

  IAccessible* acc = nullptr;
  HWINEVENTHOOK hook = nullptr;
  Label *heading = nullptr, *into = nullptr;
  TextBox* box = nullptr;
  CheckBox* accept = nullptr;
  ProgressBar* bar = nullptr;
  Control* pic = nullptr;
  Button* next = nullptr;
  ClickCount nextClicks;
};

TEST_F(Accessibility, EveryShownControlIsAChildWithItsRoleNameValueAndState) {
  const std::vector<long> expectedIds{idOf(heading), idOf(into), idOf(box), idOf(accept),
                                      idOf(bar),     idOf(pic),  idOf(next)};
  EXPECT_EQ(children(), expectedIds) << "in tree order; the empty label is left out";
  struct Case {
    const Control* control;
    long role;
    const wchar_t* name;
    const wchar_t* value;
    long stateOn, stateOff;
    const wchar_t* action;
    const wchar_t* shortcut;
  };
  const Case cases[] = {
      {heading, ROLE_SYSTEM_STATICTEXT, L"Choose a folder", L"", STATE_SYSTEM_READONLY, STATE_SYSTEM_FOCUSABLE, L"", L""},
      {into, ROLE_SYSTEM_STATICTEXT, L"Install into:", L"", STATE_SYSTEM_READONLY, 0, L"", L"Alt+I"},
      {box, ROLE_SYSTEM_TEXT, L"Install into:", L"C:\\Kavri", STATE_SYSTEM_FOCUSABLE, STATE_SYSTEM_READONLY, L"",
       L"Alt+I"},  // named by the label before it, and its key
      {accept, ROLE_SYSTEM_CHECKBUTTON, L"I accept", L"", STATE_SYSTEM_FOCUSABLE, STATE_SYSTEM_CHECKED, L"Check",
       L"Alt+A"},
      {bar, ROLE_SYSTEM_PROGRESSBAR, L"Install into:", L"47%", STATE_SYSTEM_READONLY, 0, L"", L""},  // the
       // nearest label names it, past the check box; its key leads to the box, not here
      {pic, ROLE_SYSTEM_GRAPHIC, L"Kavri logo", L"", 0, STATE_SYSTEM_FOCUSABLE, L"", L""},
      {next, ROLE_SYSTEM_PUSHBUTTON, L"Next", L"", STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_DEFAULT,
       STATE_SYSTEM_UNAVAILABLE, L"Press", L"Alt+N"},
  };
  for (const Case& c : cases) {
    const Child got = read(acc, idOf(c.control));
    SCOPED_TRACE(testing::Message() << "child with the name " << std::string(got.name.begin(), got.name.end()));
    EXPECT_EQ(got.role, c.role);
    EXPECT_EQ(got.name, c.name);
    EXPECT_EQ(got.value, c.value);
    EXPECT_EQ(got.state & c.stateOn, c.stateOn);
    EXPECT_EQ(got.state & c.stateOff, 0);
    EXPECT_EQ(got.action, c.action);
    EXPECT_EQ(got.shortcut, c.shortcut);
  }
  EXPECT_EQ(read(acc, idOf(pic)).description, L"the product") << "the tooltip describes it";
  const Child self = read(acc, CHILDID_SELF);
  EXPECT_EQ(self.role, ROLE_SYSTEM_CLIENT);
  // Disabled and hidden controls.
  next->setFlag(flags::Enabled, false);
  EXPECT_NE(read(acc, idOf(next)).state & STATE_SYSTEM_UNAVAILABLE, 0);
  next->setFlag(flags::Visible, false);
  EXPECT_EQ(children().size(), expectedIds.size() - 1);
}

TEST_F(Accessibility, FocusLocationHitTestingAndNavigation) {
  window->setFocus(box);
  EXPECT_TRUE(sawEvent(EVENT_OBJECT_FOCUS, box));
  VARIANT focus;
  ::VariantInit(&focus);
  ASSERT_EQ(acc->get_accFocus(&focus), S_OK);
  EXPECT_EQ(focus.vt, VT_I4);
  EXPECT_EQ(focus.lVal, idOf(box));
  EXPECT_NE(read(acc, idOf(box)).state & STATE_SYSTEM_FOCUSED, 0);

  POINT origin{0, 0};
  ::ClientToScreen(hwnd, &origin);
  long x = 0, y = 0, w = 0, h = 0;
  ASSERT_EQ(acc->accLocation(&x, &y, &w, &h, childVariant(idOf(next))), S_OK);
  EXPECT_EQ(x, origin.x + 300);
  EXPECT_EQ(y, origin.y + 260);
  EXPECT_EQ(w, 80);
  EXPECT_EQ(h, 24);
  VARIANT hit;
  ::VariantInit(&hit);
  ASSERT_EQ(acc->accHitTest(origin.x + 320, origin.y + 270, &hit), S_OK);
  EXPECT_EQ(hit.lVal, idOf(next));
  ASSERT_EQ(acc->accHitTest(origin.x + 20, origin.y + 45, &hit), S_OK);
  EXPECT_EQ(hit.lVal, idOf(into)) << "labels are found too, though clicks pass through them";
  ASSERT_EQ(acc->accHitTest(origin.x + 390, origin.y + 5, &hit), S_OK);
  EXPECT_EQ(hit.lVal, CHILDID_SELF);
  EXPECT_EQ(acc->accHitTest(origin.x - 5, origin.y - 5, &hit), S_FALSE);

  VARIANT to;
  ::VariantInit(&to);
  ASSERT_EQ(acc->accNavigate(NAVDIR_FIRSTCHILD, childVariant(CHILDID_SELF), &to), S_OK);
  EXPECT_EQ(to.lVal, idOf(heading));
  ASSERT_EQ(acc->accNavigate(NAVDIR_NEXT, childVariant(idOf(box)), &to), S_OK);
  EXPECT_EQ(to.lVal, idOf(accept));
  ASSERT_EQ(acc->accNavigate(NAVDIR_PREVIOUS, childVariant(idOf(box)), &to), S_OK);
  EXPECT_EQ(to.lVal, idOf(into));
  EXPECT_EQ(acc->accNavigate(NAVDIR_NEXT, childVariant(idOf(next)), &to), S_FALSE);
  ASSERT_EQ(acc->accNavigate(NAVDIR_LASTCHILD, childVariant(CHILDID_SELF), &to), S_OK);
  EXPECT_EQ(to.lVal, idOf(next));

  ASSERT_EQ(acc->accSelect(SELFLAG_TAKEFOCUS, childVariant(idOf(accept))), S_OK);
  EXPECT_EQ(window->focusControl(), accept);

  // Up from the client: the system's object of the whole window (Wine's
  // answers little more than being there: its get_accRole is E_NOTIMPL).
  IDispatch* parent = nullptr;
  ASSERT_EQ(acc->get_accParent(&parent), S_OK);
  IAccessible* frame = nullptr;
  ASSERT_EQ(parent->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&frame)), S_OK);
  frame->Release();
  parent->Release();
}

TEST_F(Accessibility, DefaultActionsActAsTheUserAndAreAnnounced) {
  ASSERT_EQ(acc->accDoDefaultAction(childVariant(idOf(next))), S_OK);
  EXPECT_EQ(nextClicks.count, 0) << "performed later, not inside the client's call";
  dui_test::pump();
  EXPECT_EQ(nextClicks.count, 1);

  ASSERT_EQ(acc->accDoDefaultAction(childVariant(idOf(accept))), S_OK);
  dui_test::pump();
  EXPECT_TRUE(accept->isChecked());
  EXPECT_TRUE(sawEvent(EVENT_OBJECT_STATECHANGE, accept));
  const Child checked = read(acc, idOf(accept));
  EXPECT_NE(checked.state & STATE_SYSTEM_CHECKED, 0);
  EXPECT_EQ(checked.action, L"Uncheck");

  bar->setPosition(80);
  EXPECT_TRUE(sawEvent(EVENT_OBJECT_VALUECHANGE, bar));
  EXPECT_EQ(read(acc, idOf(bar)).value, L"80%");

  EXPECT_EQ(acc->accDoDefaultAction(childVariant(idOf(heading))), DISP_E_MEMBERNOTFOUND) << "a label does nothing";
  next->setFlag(flags::Enabled, false);
  EXPECT_EQ(acc->accDoDefaultAction(childVariant(idOf(next))), E_FAIL);
  dui_test::pump();
  EXPECT_EQ(nextClicks.count, 1);
}

TEST_F(Accessibility, TheObjectOutlivesItsControlsAndItsWindow) {
  const long boxId = idOf(box);
  delete box;
  BSTR name = nullptr;
  EXPECT_EQ(acc->get_accName(childVariant(boxId), &name), E_INVALIDARG);
  EXPECT_EQ(name, nullptr);
  EXPECT_EQ(acc->get_accName(childVariant(123456789), &name), E_INVALIDARG);
  IEnumVARIANT* children = nullptr;
  ASSERT_EQ(acc->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&children)), S_OK);
  ::DestroyWindow(hwnd);
  EXPECT_EQ(acc->get_accName(childVariant(CHILDID_SELF), &name), CO_E_OBJNOTCONNECTED);
  long count = -1;
  EXPECT_EQ(acc->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
  VARIANT v;
  ::VariantInit(&v);
  ULONG got = 0;
  EXPECT_EQ(children->Next(1, &v, &got), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(acc->accDoDefaultAction(childVariant(idOf(next))), CO_E_OBJNOTCONNECTED);
  children->Release();
}

}  // namespace
