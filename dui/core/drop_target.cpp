// The drop-target facet of windows.
#include "dui/core/drop_target.h"

namespace dui {

HRESULT STDMETHODCALLTYPE CDropTarget::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
    *object = static_cast<IDropTarget*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) {
  dragAccepted_ = false;
  if (!data) return E_INVALIDARG;
  for (FORMATETC& format : accepted_) {
    if (data->QueryGetData(&format) == S_OK) {
      chosen_ = format;
      dragAccepted_ = true;
      break;
    }
  }
  if (!dragAccepted_) {
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  onDragEnter(data, keys, pt, effect);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragOver(DWORD keys, POINTL pt, DWORD* effect) {
  if (dragAccepted_) onDragOver(keys, pt, effect);
  else if (effect) *effect = DROPEFFECT_NONE;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragLeave() {
  if (dragAccepted_) onDragLeave();
  dragAccepted_ = false;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) {
  if (dragAccepted_) onDrop(data, keys, pt, effect);
  else if (effect) *effect = DROPEFFECT_NONE;
  dragAccepted_ = false;
  return S_OK;
}

void CDropTarget::revokeDragDrop() {
  if (dropWindow_) ::RevokeDragDrop(dropWindow_);
  dropWindow_ = nullptr;
}

}  // namespace dui
