// Every call passed on to the system's object as it is.
#include "ui/win32/forwarding_accessible.h"

#include <string>

namespace tolvane::win32 {

LRESULT ForwardingAccessible::hand_over(WPARAM wparam) {
  const LRESULT result = LresultFromObject(IID_IAccessible, wparam, this);
  Release();  // the result holds its own reference
  return result;
}

HRESULT ForwardingAccessible::give(const std::wstring& text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = SysAllocString(text.c_str());
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT ForwardingAccessible::QueryInterface(REFIID id, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDispatch) ||
      IsEqualIID(id, IID_IAccessible)) {
    *object = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  // IOleWindow and the like: what the standard object offers.
  return standard_->QueryInterface(id, object);
}
ULONG ForwardingAccessible::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}
ULONG ForwardingAccessible::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT ForwardingAccessible::GetTypeInfoCount(UINT* count) {
  return standard_->GetTypeInfoCount(count);
}
HRESULT ForwardingAccessible::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) {
  return standard_->GetTypeInfo(index, locale, info);
}
HRESULT ForwardingAccessible::GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) {
  return standard_->GetIDsOfNames(id, names, count, locale, ids);
}
HRESULT ForwardingAccessible::Invoke(DISPID member, REFIID id, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argument_error) {
  return standard_->Invoke(member, id, locale, flags, parameters, result, exception,
                           argument_error);
}

HRESULT ForwardingAccessible::get_accParent(IDispatch** parent) {
  return standard_->get_accParent(parent);
}
HRESULT ForwardingAccessible::get_accChildCount(LONG* count) {
  return standard_->get_accChildCount(count);
}
HRESULT ForwardingAccessible::get_accChild(VARIANT child, IDispatch** object) {
  return standard_->get_accChild(child, object);
}
HRESULT ForwardingAccessible::get_accName(VARIANT child, BSTR* name) {
  return standard_->get_accName(child, name);
}
HRESULT ForwardingAccessible::get_accValue(VARIANT child, BSTR* value) {
  return standard_->get_accValue(child, value);
}
HRESULT ForwardingAccessible::get_accDescription(VARIANT child, BSTR* description) {
  return standard_->get_accDescription(child, description);
}
HRESULT ForwardingAccessible::get_accRole(VARIANT child, VARIANT* role) {
  return standard_->get_accRole(child, role);
}
HRESULT ForwardingAccessible::get_accState(VARIANT child, VARIANT* state) {
  return standard_->get_accState(child, state);
}
HRESULT ForwardingAccessible::get_accHelp(VARIANT child, BSTR* help) {
  return standard_->get_accHelp(child, help);
}
HRESULT ForwardingAccessible::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) {
  return standard_->get_accHelpTopic(file, child, topic);
}
HRESULT ForwardingAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  return standard_->get_accKeyboardShortcut(child, shortcut);
}
HRESULT ForwardingAccessible::get_accFocus(VARIANT* child) {
  return standard_->get_accFocus(child);
}
HRESULT ForwardingAccessible::get_accSelection(VARIANT* children) {
  return standard_->get_accSelection(children);
}
HRESULT ForwardingAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
  return standard_->get_accDefaultAction(child, action);
}
HRESULT ForwardingAccessible::accSelect(LONG flags, VARIANT child) {
  return standard_->accSelect(flags, child);
}
HRESULT ForwardingAccessible::accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) {
  return standard_->accLocation(left, top, width, height, child);
}
HRESULT ForwardingAccessible::accNavigate(LONG direction, VARIANT start, VARIANT* end) {
  return standard_->accNavigate(direction, start, end);
}
HRESULT ForwardingAccessible::accHitTest(LONG left, LONG top, VARIANT* child) {
  return standard_->accHitTest(left, top, child);
}
HRESULT ForwardingAccessible::accDoDefaultAction(VARIANT child) {
  return standard_->accDoDefaultAction(child);
}
HRESULT ForwardingAccessible::put_accName(VARIANT child, BSTR name) {
  return standard_->put_accName(child, name);
}
HRESULT ForwardingAccessible::put_accValue(VARIANT child, BSTR value) {
  return standard_->put_accValue(child, value);
}

}  // namespace tolvane::win32
