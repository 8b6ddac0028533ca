// Owners for Win32 resources: one line per handle type naming its release call,
// plus scoped restorers for DC state. Every handle the program opens is held by
// one of these, so no path leaks it.
#pragma once

#include <windows.h>
#include <bcrypt.h>
#include <ole2.h>

#include <memory>
#include <utility>

namespace kavri {

// Owns one handle described by Traits { type; static type invalid(); static void close(type); }.
template <typename Traits>
class UniqueAny {
 public:
  using T = typename Traits::type;

  UniqueAny() noexcept = default;
  explicit UniqueAny(T value) noexcept : value_(value) {}
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  ~UniqueAny() { reset(); }

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::invalid(); }
  T release() noexcept { return std::exchange(value_, Traits::invalid()); }
  void reset(T value = Traits::invalid()) noexcept {
    T old = std::exchange(value_, value);
    if (old != Traits::invalid()) Traits::close(old);
  }
  // For out-parameters: releases the current value and returns its address.
  T* put() noexcept {
    reset();
    return &value_;
  }

 private:
  T value_ = Traits::invalid();
};

#define KAVRI_HANDLE_TRAITS(Name, Type, Invalid, Close)          \
  struct Name {                                                  \
    using type = Type;                                           \
    static type invalid() noexcept { return Invalid; }           \
    static void close(type h) noexcept { Close; }                \
  }

namespace detail {
KAVRI_HANDLE_TRAITS(HandleTraits, HANDLE, nullptr, ::CloseHandle(h));
KAVRI_HANDLE_TRAITS(FileTraits, HANDLE, INVALID_HANDLE_VALUE, ::CloseHandle(h));
KAVRI_HANDLE_TRAITS(BitmapTraits, HBITMAP, nullptr, ::DeleteObject(h));
KAVRI_HANDLE_TRAITS(FontTraits, HFONT, nullptr, ::DeleteObject(h));
KAVRI_HANDLE_TRAITS(BrushTraits, HBRUSH, nullptr, ::DeleteObject(h));
KAVRI_HANDLE_TRAITS(PenTraits, HPEN, nullptr, ::DeleteObject(h));
KAVRI_HANDLE_TRAITS(RegionTraits, HRGN, nullptr, ::DeleteObject(h));
KAVRI_HANDLE_TRAITS(DcTraits, HDC, nullptr, ::DeleteDC(h));
KAVRI_HANDLE_TRAITS(WindowTraits, HWND, nullptr, ::DestroyWindow(h));
KAVRI_HANDLE_TRAITS(KeyTraits, HKEY, nullptr, ::RegCloseKey(h));
KAVRI_HANDLE_TRAITS(ModuleTraits, HMODULE, nullptr, ::FreeLibrary(h));
KAVRI_HANDLE_TRAITS(GlobalTraits, HGLOBAL, nullptr, ::GlobalFree(h));
KAVRI_HANDLE_TRAITS(MapViewTraits, void*, nullptr, ::UnmapViewOfFile(h));
KAVRI_HANDLE_TRAITS(HookTraits, HHOOK, nullptr, ::UnhookWindowsHookEx(h));
KAVRI_HANDLE_TRAITS(IconTraits, HICON, nullptr, ::DestroyIcon(h));
KAVRI_HANDLE_TRAITS(LocalTraits, HLOCAL, nullptr, ::LocalFree(h));
KAVRI_HANDLE_TRAITS(FindTraits, HANDLE, INVALID_HANDLE_VALUE, ::FindClose(h));
KAVRI_HANDLE_TRAITS(AlgorithmTraits, BCRYPT_ALG_HANDLE, nullptr, ::BCryptCloseAlgorithmProvider(h, 0));
KAVRI_HANDLE_TRAITS(HashTraits, BCRYPT_HASH_HANDLE, nullptr, ::BCryptDestroyHash(h));
// A thread-pool timer: cancelled, its running callbacks waited for, closed.
KAVRI_HANDLE_TRAITS(PoolTimerTraits, PTP_TIMER, nullptr,
                    ::SetThreadpoolTimer(h, nullptr, 0, 0); ::WaitForThreadpoolTimerCallbacks(h, TRUE);
                    ::CloseThreadpoolTimer(h));
// Child and owned windows die with their owner: destroy only one still alive.
KAVRI_HANDLE_TRAITS(OwnedWindowTraits, HWND, nullptr, if (::IsWindow(h)) ::DestroyWindow(h));
}  // namespace detail

using UniqueHandle = UniqueAny<detail::HandleTraits>;   // null-invalid handles (events, mutexes, threads)
using UniqueFile = UniqueAny<detail::FileTraits>;       // CreateFileW results
using UniqueHbitmap = UniqueAny<detail::BitmapTraits>;
using UniqueHfont = UniqueAny<detail::FontTraits>;
using UniqueHbrush = UniqueAny<detail::BrushTraits>;
using UniqueHpen = UniqueAny<detail::PenTraits>;
using UniqueHrgn = UniqueAny<detail::RegionTraits>;
using UniqueHdc = UniqueAny<detail::DcTraits>;          // CreateCompatibleDC / CreateDC
using UniqueHwnd = UniqueAny<detail::WindowTraits>;
using UniqueOwnedHwnd = UniqueAny<detail::OwnedWindowTraits>;   // may already be gone with its owner
using UniqueHkey = UniqueAny<detail::KeyTraits>;
using UniqueHmodule = UniqueAny<detail::ModuleTraits>;
using UniqueHglobal = UniqueAny<detail::GlobalTraits>;
using UniqueMapView = UniqueAny<detail::MapViewTraits>;
using UniqueHhook = UniqueAny<detail::HookTraits>;
using UniqueHicon = UniqueAny<detail::IconTraits>;
using UniqueHlocal = UniqueAny<detail::LocalTraits>;
using UniqueFind = UniqueAny<detail::FindTraits>;       // FindFirstFileW results
using UniqueAlgorithm = UniqueAny<detail::AlgorithmTraits>;   // BCryptOpenAlgorithmProvider (links bcrypt)
using UniqueHash = UniqueAny<detail::HashTraits>;             // BCryptCreateHash
using UniquePoolTimer = UniqueAny<detail::PoolTimerTraits>;   // CreateThreadpoolTimer

// A deleter for std::unique_ptr that calls a free function, for pointers a
// library allocates and frees itself (shell item lists, Lua states).
template <auto Free>
struct FreeWith {
  template <typename T>
  void operator()(T* pointer) const noexcept {
    Free(pointer);
  }
};

// CoTaskMemAlloc'd memory, for example a shell item list.
template <typename T>
using UniqueCoTaskMem = std::unique_ptr<T, FreeWith<::CoTaskMemFree>>;
using UniqueBstr = std::unique_ptr<OLECHAR, FreeWith<::SysFreeString>>;   // SysAllocString results

// CoInitialize or OleInitialize for this thread, balanced on scope exit only
// when it succeeded: a thread already in another apartment model
// (RPC_E_CHANGED_MODE) must not lose its own initialisation.
class ComScope {
 public:
  enum Kind { Com, Ole };
  explicit ComScope(Kind kind) noexcept
      : kind_(kind), result_(kind == Ole ? ::OleInitialize(nullptr) : ::CoInitialize(nullptr)) {}
  ~ComScope() {
    if (FAILED(result_)) return;
    if (kind_ == Ole)
      ::OleUninitialize();
    else
      ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  HRESULT result() const noexcept { return result_; }

 private:
  Kind kind_;
  HRESULT result_;
};

// GetDC/ReleaseDC pair.
class ScopedWindowDc {
 public:
  explicit ScopedWindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~ScopedWindowDc() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  ScopedWindowDc(const ScopedWindowDc&) = delete;
  ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
  HDC get() const noexcept { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// BeginPaint/EndPaint pair.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND hwnd) noexcept : hwnd_(hwnd) { dc_ = ::BeginPaint(hwnd, &ps_); }
  ~ScopedPaint() { ::EndPaint(hwnd_, &ps_); }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;
  HDC get() const noexcept { return dc_; }
  const PAINTSTRUCT& info() const noexcept { return ps_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// SelectObject with the previous object restored on scope exit.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
  ~ScopedSelect() {
    if (old_) ::SelectObject(dc_, old_);
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// SetStretchBltMode with the previous mode restored on scope exit.
class ScopedStretchMode {
 public:
  ScopedStretchMode(HDC dc, int mode) noexcept : dc_(dc), old_(::SetStretchBltMode(dc, mode)) {}
  ~ScopedStretchMode() {
    if (old_) ::SetStretchBltMode(dc_, old_);
  }
  ScopedStretchMode(const ScopedStretchMode&) = delete;
  ScopedStretchMode& operator=(const ScopedStretchMode&) = delete;

 private:
  HDC dc_;
  int old_;
};

// Text colour and a transparent background for drawing text, both restored
// on scope exit.
class ScopedTextColour {
 public:
  ScopedTextColour(HDC dc, COLORREF colour) noexcept
      : dc_(dc), oldColour_(::SetTextColor(dc, colour)), oldMode_(::SetBkMode(dc, TRANSPARENT)) {}
  ~ScopedTextColour() {
    if (oldMode_) ::SetBkMode(dc_, oldMode_);
    if (oldColour_ != CLR_INVALID) ::SetTextColor(dc_, oldColour_);
  }
  ScopedTextColour(const ScopedTextColour&) = delete;
  ScopedTextColour& operator=(const ScopedTextColour&) = delete;

 private:
  HDC dc_;
  COLORREF oldColour_;
  int oldMode_;
};

// SaveDC/RestoreDC pair.
class ScopedSaveDc {
 public:
  explicit ScopedSaveDc(HDC dc) noexcept : dc_(dc), saved_(::SaveDC(dc)) {}
  ~ScopedSaveDc() {
    if (saved_) ::RestoreDC(dc_, saved_);
  }
  ScopedSaveDc(const ScopedSaveDc&) = delete;
  ScopedSaveDc& operator=(const ScopedSaveDc&) = delete;

 private:
  HDC dc_;
  int saved_;
};

// OpenClipboard/CloseClipboard pair: opened() tells whether the clipboard is
// ours until the end of the scope.
class ScopedClipboard {
 public:
  explicit ScopedClipboard(HWND owner) noexcept : open_(::OpenClipboard(owner) != FALSE) {}
  ~ScopedClipboard() {
    if (open_) ::CloseClipboard();
  }
  ScopedClipboard(const ScopedClipboard&) = delete;
  ScopedClipboard& operator=(const ScopedClipboard&) = delete;
  bool opened() const noexcept { return open_; }

 private:
  bool open_;
};

// GlobalLock/GlobalUnlock pair; data() is null when the lock failed.
class ScopedGlobalLock {
 public:
  explicit ScopedGlobalLock(HGLOBAL memory) noexcept : memory_(memory), data_(memory ? ::GlobalLock(memory) : nullptr) {}
  ~ScopedGlobalLock() {
    if (data_) ::GlobalUnlock(memory_);
  }
  ScopedGlobalLock(const ScopedGlobalLock&) = delete;
  ScopedGlobalLock& operator=(const ScopedGlobalLock&) = delete;
  void* data() const noexcept { return data_; }

 private:
  HGLOBAL memory_;
  void* data_;
};

// Owns one COM interface pointer: Release on reset and destruction. attach
// takes over a reference already counted (an out-parameter); adopting a
// borrowed pointer goes through copy or share(), which AddRef.
template <typename T>
class ComRef {
 public:
  ComRef() noexcept = default;
  ComRef(const ComRef& other) noexcept : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComRef& operator=(ComRef other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComRef() { reset(); }

  // A new owner of a borrowed pointer (AddRef).
  static ComRef share(T* p) noexcept {
    ComRef r;
    r.p_ = p;
    if (p) p->AddRef();
    return r;
  }
  // Takes over a reference the caller already holds.
  void attach(T* p) noexcept {
    reset();
    p_ = p;
  }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept {
    if (T* old = std::exchange(p_, nullptr)) old->Release();
  }
  // For out-parameters: releases the current pointer and returns its address.
  T** put() noexcept {
    reset();
    return &p_;
  }
  // For QueryInterface-style out-parameters typed void**.
  void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }

 private:
  T* p_ = nullptr;
};

// The program's one lock: a critical section (initialised with a spin count),
// held only through CriticalSectionLock, so every path out of a locked scope,
// an exception included, releases it.
class CriticalSection {
 public:
  explicit CriticalSection(DWORD spinCount = 100) noexcept {
    ::InitializeCriticalSectionAndSpinCount(&cs_, spinCount);
  }
  ~CriticalSection() { ::DeleteCriticalSection(&cs_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

 private:
  friend class CriticalSectionLock;
  CRITICAL_SECTION cs_;
};

// A condition variable waited on through a CriticalSectionLock (it needs no
// release call of its own).
class ConditionVariable {
 public:
  ConditionVariable() noexcept { ::InitializeConditionVariable(&cv_); }
  ConditionVariable(const ConditionVariable&) = delete;
  ConditionVariable& operator=(const ConditionVariable&) = delete;
  void wakeAll() noexcept { ::WakeAllConditionVariable(&cv_); }

 private:
  friend class CriticalSectionLock;
  CONDITION_VARIABLE cv_;
};

// Holds a CriticalSection from construction to the end of the scope.
class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CriticalSection& section) noexcept : cs_(&section.cs_) { ::EnterCriticalSection(cs_); }
  ~CriticalSectionLock() { ::LeaveCriticalSection(cs_); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;
  // Releases the section while waiting for `changed` to be woken, and holds
  // it again on return (spurious wake-ups included: wait in a loop).
  void wait(ConditionVariable& changed) noexcept { ::SleepConditionVariableCS(&changed.cv_, cs_, INFINITE); }

 private:
  CRITICAL_SECTION* cs_;
};

// Waits up to `ms` for a mutex and, when it got it (an abandoned mutex counts),
// releases it on scope exit.
class ScopedMutexWait {
 public:
  ScopedMutexWait(HANDLE mutex, DWORD ms) noexcept : mutex_(mutex) {
    const DWORD wait = ::WaitForSingleObject(mutex, ms);
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  }
  ~ScopedMutexWait() {
    if (held_) ::ReleaseMutex(mutex_);
  }
  ScopedMutexWait(const ScopedMutexWait&) = delete;
  ScopedMutexWait& operator=(const ScopedMutexWait&) = delete;
  bool held() const noexcept { return held_; }

 private:
  HANDLE mutex_;
  bool held_ = false;
};

}  // namespace kavri
