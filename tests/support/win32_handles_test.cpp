// The resource owners: each releases exactly once, on every way out of its
// scope, and the DC restorers put back what was there before.
#include "support/win32_handles.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>

namespace kavri {
namespace {

// A COM object that only counts its references.
struct CountedObject : IUnknown {
  ULONG references = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
};

TEST(ComRef, ReleasesItsReferenceOnceOnEveryPath) {
  struct Case {
    const char* what;
    void (*use)(CountedObject& object);
  };
  const Case cases[] = {
      {"scope exit", [](CountedObject& o) { ComRef<IUnknown> ref; *ref.put() = &o; }},
      {"reset", [](CountedObject& o) {
         ComRef<IUnknown> ref;
         *ref.put() = &o;
         ref.reset();
         ref.reset();
       }},
      {"put over a held reference", [](CountedObject& o) {
         ComRef<IUnknown> ref;
         *ref.put() = &o;
         EXPECT_EQ(*ref.put(), nullptr);
       }},
      {"moved, then both go", [](CountedObject& o) {
         ComRef<IUnknown> first;
         *first.put() = &o;
         ComRef<IUnknown> second(std::move(first));
         EXPECT_FALSE(first);
         ComRef<IUnknown> third;
         third = std::move(second);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CountedObject object;
    object.references = 2;   // ours plus the one handed to the ComRef
    c.use(object);
    EXPECT_EQ(object.references, 1u);
  }
}

// Whether this thread is in a COM apartment.
bool inApartment() {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  return SUCCEEDED(::CoGetApartmentType(&type, &qualifier));
}

TEST(ComScope, BalancesOnlyASuccessfulInitialisation) {
  std::thread([] {   // a thread of its own, in no apartment yet
    {
      ComScope outer(ComScope::Ole);
      ASSERT_TRUE(SUCCEEDED(outer.result()));
      {
        ComScope nested(ComScope::Com);
        EXPECT_TRUE(SUCCEEDED(nested.result()));
      }
      EXPECT_TRUE(inApartment()) << "a nested scope undoes only its own count";
    }
    EXPECT_FALSE(inApartment()) << "the outer scope leaves no apartment behind";

    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    for (ComScope::Kind kind : {ComScope::Com, ComScope::Ole}) {
      ComScope refused(kind);
      EXPECT_EQ(refused.result(), RPC_E_CHANGED_MODE);
    }
    EXPECT_TRUE(inApartment()) << "a refused scope must not end the thread's own initialisation";
    ::CoUninitialize();
  }).join();
}

TEST(ScopedDcState, TextColourModeAndStretchModeAreRestored) {
  UniqueHdc dc(::CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  ::SetTextColor(dc.get(), RGB(1, 2, 3));
  ::SetBkMode(dc.get(), OPAQUE);
  ::SetStretchBltMode(dc.get(), BLACKONWHITE);
  {
    ScopedTextColour colour(dc.get(), RGB(200, 100, 50));
    ScopedStretchMode stretch(dc.get(), COLORONCOLOR);
    EXPECT_EQ(::GetTextColor(dc.get()), RGB(200, 100, 50));
    EXPECT_EQ(::GetBkMode(dc.get()), TRANSPARENT);
    EXPECT_EQ(::GetStretchBltMode(dc.get()), COLORONCOLOR);
  }
  EXPECT_EQ(::GetTextColor(dc.get()), RGB(1, 2, 3));
  EXPECT_EQ(::GetBkMode(dc.get()), OPAQUE);
  EXPECT_EQ(::GetStretchBltMode(dc.get()), BLACKONWHITE);
}

HWND createPopup(HWND owner) {
  return ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, owner, nullptr, nullptr, nullptr);
}

// An owned window goes with its owner; its owner object must then not touch
// the dead handle, and must still destroy it when it goes first.
TEST(UniqueOwnedHwnd, DestroysOnlyAWindowStillAlive) {
  UniqueHwnd owner(createPopup(nullptr));
  ASSERT_TRUE(owner);
  {
    UniqueOwnedHwnd popup(createPopup(owner.get()));
    ASSERT_TRUE(popup);
    const HWND raw = popup.get();
    popup.reset();
    EXPECT_FALSE(::IsWindow(raw));
  }
  UniqueOwnedHwnd popup(createPopup(owner.get()));
  const HWND raw = popup.get();
  owner.reset();
  EXPECT_FALSE(::IsWindow(raw)) << "destroyed with its owner";
  popup.reset();   // nothing left to destroy; must not fail or touch another window
  EXPECT_FALSE(popup);
}

}  // namespace
}  // namespace kavri
