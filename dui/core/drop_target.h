// CDropTarget: the system drop-target interface of a window. The windows of
// this program never register for drag and drop and accept no data format,
// so the facet never receives calls; it is kept so a window could opt in.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <vector>

namespace dui {

class CDropTarget : public IDropTarget {
 public:
  CDropTarget() = default;
  virtual ~CDropTarget() = default;
  CDropTarget(const CDropTarget&) = delete;
  CDropTarget& operator=(const CDropTarget&) = delete;

  // IUnknown: answers IUnknown and IDropTarget with itself; the window owns
  // the object, so the reference count is not kept.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;

  // What a window does with an accepted drag.
  virtual void onDragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) = 0;
  virtual void onDragOver(DWORD keys, POINTL pt, DWORD* effect) = 0;
  virtual void onDragLeave() = 0;
  virtual void onDrop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) = 0;

 protected:
  // Revokes the registration, if a window was ever registered.
  void revokeDragDrop();

  HWND dropWindow_ = nullptr;           // registered window, none: never registered
  std::vector<FORMATETC> accepted_;     // always empty in this program
  FORMATETC chosen_{};
  bool dragAccepted_ = false;
};

}  // namespace dui
