// The window's accessible object: IAccessible and IEnumVARIANT over the
// shown controls, and the facts the window adds to the describer's.
//
// [SECTION] facts          the describer's facts, names from labels, window state
// [SECTION] children       the child list, child ids, locations
// [SECTION] COM object     IUnknown, IDispatch, IAccessible, IEnumVARIANT
#include "dui/core/accessible_object.h"

#include <new>
#include <vector>

#include "dui/core/access_keys.h"
#include "dui/core/control.h"
#include "dui/core/control_geometry.h"
#include "dui/core/core_plugs.h"
#include "dui/core/focus_navigation.h"
#include "dui/core/window_impl.h"
#include "support/debug_log.h"

namespace dui {
namespace {

// IAccessible's id by __uuidof: the IID_IAccessible symbol is defined both by
// the oleacc and the uuid import libraries of 64-bit mingw, which then clash.
const IID kIidAccessible = __uuidof(IAccessible);

// --- [SECTION] facts

bool describe(const Control& control, AccessibleFacts& facts) {
  facts = AccessibleFacts{};
  if (auto describer = corePlugs().describeAccessible) return describer(control, facts);
  if (const wchar_t* type = control.typeName(); type && std::wstring(type) == L"Button") {
    facts.role = ROLE_SYSTEM_PUSHBUTTON;
    facts.name = shownText(control);
    return true;
  }
  return false;
}

// The children: the shown controls under the root (not the root) that the
// describer lists, in tree order.
std::vector<Control*> childrenOf(WindowImpl& window) {
  std::vector<Control*> out;
  Control* root = window.root();
  if (!root || !isLive(root)) return out;
  AccessibleFacts facts;
  for (Control* c : shownInTreeOrder(root))
    if (c != root && WindowImpl::accessibleChildId(c) != 0 && describe(*c, facts)) out.push_back(c);
  return out;
}

// The name of the nearest text label before `control` among the children.
std::wstring labelBefore(WindowImpl& window, const Control& control) {
  const std::vector<Control*> children = childrenOf(window);
  std::size_t at = 0;
  while (at < children.size() && children[at] != &control) ++at;
  AccessibleFacts facts;
  while (at-- > 0) {
    if (describe(*children[at], facts) && facts.role == ROLE_SYSTEM_STATICTEXT && !facts.name.empty()) {
      if (const std::wstring* name = children[at]->findString(names::name); name && !name->empty()) return *name;
      return facts.name;
    }
  }
  return std::wstring();
}

}  // namespace

bool accessibleFactsOf(WindowImpl& window, Control& control, AccessibleFacts& facts) {
  if (!describe(control, facts)) return false;
  if (const std::wstring* name = control.findString(names::name); name && !name->empty()) facts.name = *name;
  if (const std::wstring* text = control.findString(names::description); text && !text->empty()) {
    facts.description = *text;
  } else if (const std::wstring* tip = control.findString(names::tooltip); tip && facts.description.empty()) {
    facts.description = *tip;
  }
  if (facts.name.empty() && facts.namedByLabel) facts.name = labelBefore(window, control);
  if (!control.hasFlag(flags::Enabled)) facts.state |= STATE_SYSTEM_UNAVAILABLE;
  if (!isShown(&control)) facts.state |= STATE_SYSTEM_INVISIBLE;
  if (canHoldFocus(&control)) facts.state |= STATE_SYSTEM_FOCUSABLE;
  if (window.focusControl() == &control && window.hwnd() && ::GetFocus() == window.hwnd())
    facts.state |= STATE_SYSTEM_FOCUSED;
  if (control.intOr(names::isDefault, 0) != 0) facts.state |= STATE_SYSTEM_DEFAULT;
  return true;
}

namespace {

// --- [SECTION] children

// The access key of a control as "Alt+K": its own text's, or for a control
// named by a label, the label's when that key leads here (a label's key
// focuses the first tab stop after it).
std::wstring keyboardShortcutOf(WindowImpl& window, Control& control) {
  wchar_t key = 0;
  if (textMarksAccessKeys(control)) key = accessKeyOf(control.getText());
  AccessibleFacts facts;
  if (!key && describe(control, facts) && facts.namedByLabel) {
    const std::vector<Control*> children = childrenOf(window);
    std::size_t at = 0;
    while (at < children.size() && children[at] != &control) ++at;
    while (at-- > 0) {
      Control* label = children[at];
      if (!describe(*label, facts) || facts.role != ROLE_SYSTEM_STATICTEXT || facts.name.empty()) continue;
      if (tabStopAfter(window.root(), label) == &control) key = accessKeyOf(label->getText());
      break;
    }
  }
  if (!key) return std::wstring();
  return std::wstring(L"Alt+") + key;
}

bool screenRectOf(WindowImpl& window, const Control* control, Rect& r) {
  if (control) {
    if (!absoluteRect(control, r)) return false;
  } else {
    r = window.clientRect();
  }
  // Layout units to the window's pixels, then to the screen.
  r = window.dpiScale().toDevice(r);
  POINT origin{0, 0};
  if (!window.hwnd() || !::ClientToScreen(window.hwnd(), &origin)) return false;
  r = r.offset(origin.x, origin.y);
  return true;
}

BSTR toBstr(const std::wstring& text) { return ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

// Answers a text: S_OK with it, S_FALSE with null when it is empty.
HRESULT answerText(const std::wstring& text, BSTR* out) {
  if (text.empty()) return S_FALSE;
  *out = toBstr(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

void setChildVariant(VARIANT* v, long id) {
  v->vt = VT_I4;
  v->lVal = id;
}

// --- [SECTION] COM object

class AccessibleWindowObject final : public IAccessible, public IEnumVARIANT {
 public:
  explicit AccessibleWindowObject(std::shared_ptr<AccessibleLink> link, ULONG cursor = 0)
      : link_(std::move(link)), cursor_(cursor) {}

  // IUnknown (both interfaces share it: one identity)
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kIidAccessible) {
      *out = static_cast<IAccessible*>(this);
    } else if (riid == IID_IEnumVARIANT) {
      *out = static_cast<IEnumVARIANT*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: the interface is called through its table, never by name.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      if (!parent) return E_POINTER;
      *parent = nullptr;
      // The window's own object (frame, title, client) is the parent.
      HRESULT hr = ::CreateStdAccessibleObject(window.hwnd(), OBJID_WINDOW, IID_IDispatch,
                                               reinterpret_cast<void**>(parent));
      return SUCCEEDED(hr) && *parent ? S_OK : S_FALSE;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      if (!count) return E_POINTER;
      *count = static_cast<long>(childrenOf(window).size());
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      if (!out) return E_POINTER;
      *out = nullptr;
      Control* c = nullptr;
      if (!resolve(window, child, c)) return E_INVALIDARG;
      return S_FALSE;  // every child is a simple element
    });
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return text(child, name, [](WindowImpl& window, Control* c, const AccessibleFacts& facts) {
      if (c) return facts.name;
      wchar_t title[256] = {};
      ::GetWindowTextW(window.hwnd(), title, 256);
      return std::wstring(title);
    });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      if (!value) return E_POINTER;
      *value = nullptr;
      Control* c = nullptr;
      AccessibleFacts facts;
      if (!resolveFacts(window, child, c, facts)) return E_INVALIDARG;
      if (!c || !facts.hasValue) return DISP_E_MEMBERNOTFOUND;
      *value = toBstr(facts.value);
      return *value ? S_OK : E_OUTOFMEMORY;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return text(child, description,
                [](WindowImpl&, Control*, const AccessibleFacts& facts) { return facts.description; });
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      if (!role) return E_POINTER;
      ::VariantInit(role);
      Control* c = nullptr;
      AccessibleFacts facts;
      if (!resolveFacts(window, child, c, facts)) return E_INVALIDARG;
      setChildVariant(role, c ? facts.role : ROLE_SYSTEM_CLIENT);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      if (!state) return E_POINTER;
      ::VariantInit(state);
      Control* c = nullptr;
      AccessibleFacts facts;
      if (!resolveFacts(window, child, c, facts)) return E_INVALIDARG;
      long bits = static_cast<long>(facts.state);
      if (!c) {
        bits = STATE_SYSTEM_FOCUSABLE;
        if (::GetFocus() == window.hwnd()) bits |= STATE_SYSTEM_FOCUSED;
        if (!::IsWindowVisible(window.hwnd())) bits |= STATE_SYSTEM_INVISIBLE;
      }
      setChildVariant(state, bits);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
    if (help) *help = nullptr;
    return connected() ? S_FALSE : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return connected() ? S_FALSE : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      if (!shortcut) return E_POINTER;
      *shortcut = nullptr;
      Control* c = nullptr;
      if (!resolve(window, child, c)) return E_INVALIDARG;
      return c ? answerText(keyboardShortcutOf(window, *c), shortcut) : S_FALSE;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      if (!focus) return E_POINTER;
      ::VariantInit(focus);
      if (::GetFocus() != window.hwnd()) return S_FALSE;  // VT_EMPTY: not here
      Control* c = window.focusControl();
      const long id = c && isLive(c) && isListed(window, c) ? WindowImpl::accessibleChildId(c) : CHILDID_SELF;
      setChildVariant(focus, id);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (selection) ::VariantInit(selection);
    return connected() ? S_FALSE : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return text(child, action, [](WindowImpl&, Control* c, const AccessibleFacts& facts) {
      return c ? facts.defaultAction : std::wstring();
    });
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flagsSelect, VARIANT child) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      Control* c = nullptr;
      if (!resolve(window, child, c)) return E_INVALIDARG;
      if (flagsSelect != SELFLAG_TAKEFOCUS) return E_NOTIMPL;
      if (!c) return S_OK;
      if (!canHoldFocus(c)) return S_FALSE;
      window.setFocus(c);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      if (!left || !top || !width || !height) return E_POINTER;
      *left = *top = *width = *height = 0;
      Control* c = nullptr;
      if (!resolve(window, child, c)) return E_INVALIDARG;
      Rect r;
      if (!screenRectOf(window, c, r)) return S_FALSE;
      *left = r.left;
      *top = r.top;
      *width = r.width();
      *height = r.height();
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      if (!end) return E_POINTER;
      ::VariantInit(end);
      Control* from = nullptr;
      if (!resolve(window, start, from)) return E_INVALIDARG;
      const std::vector<Control*> children = childrenOf(window);
      if (!from) {
        if (children.empty()) return S_FALSE;
        if (direction == NAVDIR_FIRSTCHILD) setChildVariant(end, WindowImpl::accessibleChildId(children.front()));
        else if (direction == NAVDIR_LASTCHILD) setChildVariant(end, WindowImpl::accessibleChildId(children.back()));
        else return S_FALSE;  // the window's siblings are the frame's business
        return S_OK;
      }
      std::size_t at = 0;
      while (at < children.size() && children[at] != from) ++at;
      if (at == children.size()) return S_FALSE;
      std::size_t to = 0;
      switch (direction) {
        case NAVDIR_NEXT:
        case NAVDIR_DOWN:
        case NAVDIR_RIGHT:
          if (at + 1 >= children.size()) return S_FALSE;
          to = at + 1;
          break;
        case NAVDIR_PREVIOUS:
        case NAVDIR_UP:
        case NAVDIR_LEFT:
          if (at == 0) return S_FALSE;
          to = at - 1;
          break;
        case NAVDIR_FIRSTCHILD:
        case NAVDIR_LASTCHILD:
          return S_FALSE;  // simple elements have no children
        default:
          return E_INVALIDARG;
      }
      setChildVariant(end, WindowImpl::accessibleChildId(children[to]));
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      if (!hit) return E_POINTER;
      ::VariantInit(hit);
      Rect client;
      if (!screenRectOf(window, nullptr, client) || !client.contains(x, y)) return S_FALSE;
      // The last child in tree order lies on top: search from the end.
      const std::vector<Control*> children = childrenOf(window);
      for (auto c = children.rbegin(); c != children.rend(); ++c) {
        Rect r;
        if (screenRectOf(window, *c, r) && r.contains(x, y)) {
          setChildVariant(hit, WindowImpl::accessibleChildId(*c));
          return S_OK;
        }
      }
      setChildVariant(hit, CHILDID_SELF);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      Control* c = nullptr;
      if (!resolve(window, child, c)) return E_INVALIDARG;
      if (!c) return DISP_E_MEMBERNOTFOUND;
      auto action = corePlugs().accessibleAction;
      if (!c->hasFlag(flags::Enabled) || !isShown(c)) return E_FAIL;
      if (action) return action(*c) ? S_OK : DISP_E_MEMBERNOTFOUND;
      return WindowImpl::press(c) ? S_OK : DISP_E_MEMBERNOTFOUND;
    });
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  // IEnumVARIANT over the child ids, from the list as it is at each call.
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      if (fetched) *fetched = 0;
      if (!out) return E_POINTER;
      if (count > 1 && !fetched) return E_INVALIDARG;
      const std::vector<Control*> children = childrenOf(window);
      ULONG n = 0;
      while (n < count && cursor_ < children.size()) {
        ::VariantInit(&out[n]);
        setChildVariant(&out[n], WindowImpl::accessibleChildId(children[cursor_]));
        ++n;
        ++cursor_;
      }
      if (fetched) *fetched = n;
      return n == count ? S_OK : S_FALSE;
    });
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    return guarded([&](WindowImpl& window) -> HRESULT {
      const ULONG size = static_cast<ULONG>(childrenOf(window).size());
      const ULONG left = cursor_ < size ? size - cursor_ : 0;
      cursor_ += count < left ? count : left;
      return count <= left ? S_OK : S_FALSE;
    });
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    cursor_ = 0;
    return connected() ? S_OK : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!connected()) return CO_E_OBJNOTCONNECTED;
    auto* copy = new (std::nothrow) AccessibleWindowObject(link_, cursor_);
    if (!copy) return E_OUTOFMEMORY;
    *out = copy;
    return S_OK;
  }

 private:
  ~AccessibleWindowObject() = default;

  bool connected() const { return link_ && link_->window(); }

  // Runs `body` with the window, inside the guard no exception crosses.
  template <class Body>
  HRESULT guarded(Body body) {
    WindowImpl* window = link_ ? link_->window() : nullptr;
    if (!window) return CO_E_OBJNOTCONNECTED;
    try {
      return body(*window);
    } catch (...) {
      kavri::debugLog(L"an accessible object's call failed with an exception");
      return E_FAIL;
    }
  }

  static bool isListed(WindowImpl& window, const Control* c) {
    for (Control* child : childrenOf(window))
      if (child == c) return true;
    return false;
  }

  // CHILDID_SELF resolves to null (the window itself); a child id to its
  // control. False for anything else: another type, an unknown or dead id.
  static bool resolve(WindowImpl& window, const VARIANT& child, Control*& c) {
    c = nullptr;
    if (child.vt != VT_I4) return false;
    if (child.lVal == CHILDID_SELF) return true;
    c = window.controlOfChildId(child.lVal);
    AccessibleFacts facts;
    return c && accessibleFactsOf(window, *c, facts);
  }
  static bool resolveFacts(WindowImpl& window, const VARIANT& child, Control*& c, AccessibleFacts& facts) {
    if (!resolve(window, child, c)) return false;
    if (c) accessibleFactsOf(window, *c, facts);
    return true;
  }

  template <class Pick>
  HRESULT text(const VARIANT& child, BSTR* out, Pick pick) {
    return guarded([&](WindowImpl& window) -> HRESULT {
      if (!out) return E_POINTER;
      *out = nullptr;
      Control* c = nullptr;
      AccessibleFacts facts;
      if (!resolveFacts(window, child, c, facts)) return E_INVALIDARG;
      return answerText(pick(window, c, facts), out);
    });
  }

  LONG refs_ = 1;
  std::shared_ptr<AccessibleLink> link_;
  ULONG cursor_ = 0;
};

}  // namespace

IAccessible* newAccessibleObject(const std::shared_ptr<AccessibleLink>& link) {
  return new (std::nothrow) AccessibleWindowObject(link);
}

LRESULT answerAccessibleObject(const std::shared_ptr<AccessibleLink>& link, WPARAM wParam) {
  IAccessible* object = newAccessibleObject(link);
  if (!object) return 0;
  const LRESULT answer = ::LresultFromObject(kIidAccessible, wParam, object);
  object->Release();  // LresultFromObject holds what the client needs
  return answer > 0 ? answer : 0;
}

}  // namespace dui
