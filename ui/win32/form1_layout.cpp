// The layout table: the places of Form1's controls in twips and the native
// control that stands for each.
#include "ui/win32/form1_layout.h"

namespace tolvane::win32 {

using form::Control;

namespace {

constexpr DWORD button = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD label = SS_LEFT | SS_NOPREFIX;
constexpr DWORD text_box = WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
// A virtual list view in report mode without a header looks like a list
// box, holds a million rows without storing their texts, and gives assistive
// tools each row's text.
constexpr DWORD file_list =
    LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS;

}  // namespace

const std::array<ControlLayout, 17> form1_layout{{
    {Control::Command1, 101, L"BUTTON", button, 0, 2280, 1080, 1455, 375},
    {Control::Text1, 102, L"EDIT", text_box, WS_EX_CLIENTEDGE, 240, 480, 3495, 375},
    {Control::List1, 103, WC_LISTVIEWW, file_list | WS_TABSTOP, WS_EX_CLIENTEDGE, 3840, 480, 3495,
     3480},
    {Control::Command2, 104, L"BUTTON", button, 0, 2280, 2160, 1455, 375},
    // List2 holds the tags and is never shown.
    {Control::List2, 105, WC_LISTVIEWW, file_list, WS_EX_CLIENTEDGE, 3840, 840, 3495, 3120},
    // Label2 takes the pointer (SS_NOTIFY), so that its tooltip can name
    // the folders behind the count; a plain static lets it pass through.
    {Control::Label2, 106, L"STATIC", label | SS_NOTIFY, 0, 3960, 4080, 3255, 255},
    {Control::Label3, 107, L"STATIC", label, 0, 240, 120, 3375, 255},
    {Control::Label1, 108, L"STATIC", label, 0, 3960, 120, 2895, 255},
    {Control::Combo1, 109, WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
     0, 960, 1080, 975, 300},
    {Control::Label4, 110, L"STATIC", label, 0, 240, 1080, 735, 255},
    {Control::Label5, 111, L"STATIC", label, 0, 240, 2280, 1935, 255},
    {Control::Text2, 112, L"EDIT", text_box, WS_EX_CLIENTEDGE, 240, 2640, 3495, 375},
    {Control::ProgressBar1, 113, PROGRESS_CLASSW, 0, 0, 240, 3960, 3375, 375},
    {Control::Label6, 114, L"STATIC", label, 0, 240, 3720, 3375, 255},
    {Control::Label8, 115, L"STATIC", label, 0, 240, 3240, 3375, 375},
    {Control::Label7, 116, L"STATIC", label, 0, 240, 1680, 3495, 375},
    {Control::Check1, 117, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0, 2640, 3240, 1095, 255},
}};

int control_id(Control control) {
  for (const ControlLayout& layout : form1_layout) {
    if (layout.control == control) return layout.id;
  }
  return 0;
}

}  // namespace tolvane::win32
