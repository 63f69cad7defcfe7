// The label's standard accessible object, wrapped so that its description
// is ours; every other property comes from the system's object as it is.
#include "ui/win32/described_label.h"

#include <utility>

#include "ui/win32/forwarding_accessible.h"

namespace tolvane::win32 {
namespace {

class DescribedAccessible final : public ForwardingAccessible {
 public:
  DescribedAccessible(IAccessible* standard, std::wstring description)
      : ForwardingAccessible(standard), description_(std::move(description)) {}

  // The description is ours.
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    if (!is_self(child)) return ForwardingAccessible::get_accDescription(child, description);
    return give(description_, description);
  }

 private:
  std::wstring description_;
};

constexpr UINT_PTR subclass_id = 1;

LRESULT CALLBACK described_label_procedure(HWND label, UINT message, WPARAM wparam, LPARAM lparam,
                                           UINT_PTR /*id*/, DWORD_PTR data) {
  const auto* description = reinterpret_cast<const std::wstring*>(data);
  // Windows passes the object id in the low 32 bits.
  if (message == WM_GETOBJECT && static_cast<DWORD>(lparam) == static_cast<DWORD>(OBJID_CLIENT) &&
      !description->empty()) {
    void* standard = nullptr;
    if (SUCCEEDED(CreateStdAccessibleObject(label, OBJID_CLIENT, IID_IAccessible, &standard))) {
      return (new DescribedAccessible(static_cast<IAccessible*>(standard), *description))
          ->hand_over(wparam);
    }
  }
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(label, described_label_procedure, subclass_id);
  }
  return DefSubclassProc(label, message, wparam, lparam);
}

}  // namespace

void describe_label(HWND label, const std::wstring* description) {
  SetWindowSubclass(label, described_label_procedure, subclass_id,
                    reinterpret_cast<DWORD_PTR>(description));
}

}  // namespace tolvane::win32
