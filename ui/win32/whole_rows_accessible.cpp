// The list's standard accessible object with its items answered from the
// rows; everything about the list itself comes from the system's object.
#include "ui/win32/whole_rows_accessible.h"

#include "ui/win32/forwarding_accessible.h"

namespace tolvane::win32 {
namespace {

constexpr UINT_PTR subclass_id = 1;
// The list's rows, kept on the list itself for as long as it is there.
constexpr wchar_t rows_property[] = L"TolvaneWholeRows";

class WholeRowsAccessible final : public ForwardingAccessible {
 public:
  WholeRowsAccessible(IAccessible* standard, HWND list)
      : ForwardingAccessible(standard), list_(list) {}

  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    const WholeRows* shown = rows();
    if (shown == nullptr) return E_FAIL;
    *count = shown->row_count();
    return S_OK;
  }
  // Rows are simple elements, known to the list by their number.
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    if (is_self(child)) return ForwardingAccessible::get_accChild(child, object);
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    return row_of(child) >= 0 ? S_FALSE : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (is_self(child)) return ForwardingAccessible::get_accName(child, name);
    const int row = row_of(child);
    if (row < 0) return E_INVALIDARG;
    return give(rows()->row_text(row), name);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (is_self(child)) return ForwardingAccessible::get_accRole(child, role);
    if (role == nullptr) return E_POINTER;
    if (row_of(child) < 0) return E_INVALIDARG;
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_LISTITEM;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (is_self(child)) return ForwardingAccessible::get_accState(child, state);
    if (state == nullptr) return E_POINTER;
    const int row = row_of(child);
    if (row < 0) return E_INVALIDARG;
    const auto shown =
        static_cast<UINT>(SendMessageW(list_, LVM_GETITEMSTATE, row, LVIS_SELECTED | LVIS_FOCUSED));
    state->vt = VT_I4;
    state->lVal = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
    if (shown & LVIS_SELECTED) state->lVal |= STATE_SYSTEM_SELECTED;
    if ((shown & LVIS_FOCUSED) && GetFocus() == list_) state->lVal |= STATE_SYSTEM_FOCUSED;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override {
    if (is_self(child)) return ForwardingAccessible::accLocation(left, top, width, height, child);
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
      return E_POINTER;
    }
    const int row = row_of(child);
    if (row < 0) return E_INVALIDARG;
    RECT box{};
    box.left = LVIR_BOUNDS;
    SendMessageW(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&box));
    MapWindowPoints(list_, nullptr, reinterpret_cast<POINT*>(&box), 2);
    *left = box.left;
    *top = box.top;
    *width = box.right - box.left;
    *height = box.bottom - box.top;
    return S_OK;
  }

 private:
  // The rows while the list is there: a reader may keep this object longer.
  const WholeRows* rows() const {
    return static_cast<const WholeRows*>(GetPropW(list_, rows_property));
  }
  // The row a child id names (ids count from 1), or -1.
  int row_of(const VARIANT& child) const {
    const WholeRows* shown = rows();
    if (shown == nullptr || child.vt != VT_I4 || child.lVal < 1 ||
        child.lVal > shown->row_count()) {
      return -1;
    }
    return static_cast<int>(child.lVal - 1);
  }

  HWND list_;
};

LRESULT CALLBACK whole_rows_procedure(HWND list, UINT message, WPARAM wparam, LPARAM lparam,
                                      UINT_PTR /*id*/, DWORD_PTR /*data*/) {
  // Windows passes the object id in the low 32 bits.
  if (message == WM_GETOBJECT && static_cast<DWORD>(lparam) == static_cast<DWORD>(OBJID_CLIENT)) {
    void* standard = nullptr;
    if (SUCCEEDED(CreateStdAccessibleObject(list, OBJID_CLIENT, IID_IAccessible, &standard))) {
      return (new WholeRowsAccessible(static_cast<IAccessible*>(standard), list))
          ->hand_over(wparam);
    }
  }
  if (message == WM_NCDESTROY) {
    RemovePropW(list, rows_property);
    RemoveWindowSubclass(list, whole_rows_procedure, subclass_id);
  }
  return DefSubclassProc(list, message, wparam, lparam);
}

}  // namespace

void read_rows_whole(HWND list, const WholeRows* rows) {
  // A property takes a pointer to change; the rows are only read.
  SetPropW(list, rows_property, const_cast<WholeRows*>(rows));
  SetWindowSubclass(list, whole_rows_procedure, subclass_id, 0);
}

}  // namespace tolvane::win32
