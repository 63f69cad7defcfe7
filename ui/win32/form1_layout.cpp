// The native control that stands for each row of Form1's layout table.
#include "ui/win32/form1_layout.h"

namespace tolvane::win32 {

using form::Control;

namespace {

constexpr DWORD button = BS_PUSHBUTTON;
constexpr DWORD label = SS_LEFT | SS_NOPREFIX;
constexpr DWORD text_box = ES_LEFT | ES_AUTOHSCROLL;
// A virtual list view in report mode without a header looks like a list
// box, holds a million rows without storing their texts, and gives assistive
// tools each row's text.
constexpr DWORD file_list =
    LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS;

constexpr std::array<NativeControl, form::form1_layout.size()> native_table{{
    {Control::Command1, 101, L"BUTTON", button, 0},
    {Control::Text1, 102, L"EDIT", text_box, WS_EX_CLIENTEDGE},
    {Control::List1, 103, WC_LISTVIEWW, file_list, WS_EX_CLIENTEDGE},
    {Control::Command2, 104, L"BUTTON", button, 0},
    {Control::List2, 105, WC_LISTVIEWW, file_list, WS_EX_CLIENTEDGE},
    // Label2 takes the pointer (SS_NOTIFY), so that its tooltip can name
    // the folders behind the count; a plain static lets it pass through.
    {Control::Label2, 106, L"STATIC", label | SS_NOTIFY, 0},
    {Control::Label3, 107, L"STATIC", label, 0},
    {Control::Label1, 108, L"STATIC", label, 0},
    {Control::Combo1, 109, WC_COMBOBOXW, WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0},
    {Control::Label4, 110, L"STATIC", label, 0},
    {Control::Label5, 111, L"STATIC", label, 0},
    {Control::Text2, 112, L"EDIT", text_box, WS_EX_CLIENTEDGE},
    {Control::ProgressBar1, 113, PROGRESS_CLASSW, 0, 0},
    {Control::Label6, 114, L"STATIC", label, 0},
    {Control::Label8, 115, L"STATIC", label, 0},
    {Control::Label7, 116, L"STATIC", label, 0},
    {Control::Check1, 117, L"BUTTON", BS_AUTOCHECKBOX, 0},
}};

constexpr bool follows_the_layout_table() {
  for (std::size_t i = 0; i < native_table.size(); ++i) {
    if (native_table[i].control != form::form1_layout[i].control) return false;
  }
  return true;
}
static_assert(follows_the_layout_table(), "one native control per row of the layout table");

// The window keeps its controls in arrays of form::control_count, indexed by
// Control (form1_window.h): each row must fall inside them, and the rows and
// the window itself fill them, so a control the count does not cover fails
// here rather than writing past the arrays.
constexpr bool fills_the_control_arrays() {
  std::array<bool, form::control_count> taken{};
  taken[static_cast<std::size_t>(Control::Form1)] = true;
  for (const NativeControl& native : native_table) {
    const auto index = static_cast<std::size_t>(native.control);
    if (index >= taken.size() || taken[index]) return false;
    taken[index] = true;
  }
  return native_table.size() + 1 == taken.size();
}
static_assert(fills_the_control_arrays(), "form::control_count covers every control");

}  // namespace

const std::array<NativeControl, form::form1_layout.size()> native_controls = native_table;

int control_id(Control control) {
  for (const NativeControl& native : native_controls) {
    if (native.control == control) return native.id;
  }
  return 0;
}

}  // namespace tolvane::win32
