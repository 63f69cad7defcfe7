// Form1's layout table: where each control sits in twips, which controls
// the Tab key visits, and the one caption drawn with the window rather than
// set by the load handler.  Each front end renders this table with its own
// controls; nothing else spells a place.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "form/form1_controls.h"

namespace tolvane::form {

// The client area, in twips (1440 twips make one inch; 15 make one pixel at
// 96 dots per inch).
inline constexpr int form_width_twips = 7440;
inline constexpr int form_height_twips = 4440;

struct ControlPlace {
  Control control;
  std::string_view name;         // the designer name, which the front ends give the control
  int left, top, width, height;  // twips
  bool tab_stop;                 // Tab visits it, in the order of the table
  // The caption the control is drawn with; the load handler sets the others.
  std::string_view caption;
};

// Every control but the window itself, in tab order (the order of creation).
// Check1 sits over the end of Label8's line.
inline constexpr std::array<ControlPlace, 17> form1_layout{{
    {Control::Command1, "Command1", 2280, 1080, 1455, 375, true, {}},
    {Control::Text1, "Text1", 240, 480, 3495, 375, true, {}},
    {Control::List1, "List1", 3840, 480, 3495, 3480, true, {}},
    {Control::Command2, "Command2", 2280, 2160, 1455, 375, true, {}},
    // List2 holds the tags and is never shown.
    {Control::List2, "List2", 3840, 840, 3495, 3120, false, {}},
    {Control::Label2, "Label2", 3960, 4080, 3255, 255, false, {}},
    {Control::Label3, "Label3", 240, 120, 3375, 255, false, {}},
    {Control::Label1, "Label1", 3960, 120, 2895, 255, false, {}},
    {Control::Combo1, "Combo1", 960, 1080, 975, 300, true, {}},
    {Control::Label4, "Label4", 240, 1080, 735, 255, false, {}},
    {Control::Label5, "Label5", 240, 2280, 1935, 255, false, {}},
    {Control::Text2, "Text2", 240, 2640, 3495, 375, true, {}},
    {Control::ProgressBar1, "ProgressBar1", 240, 3960, 3375, 375, false, {}},
    {Control::Label6, "Label6", 240, 3720, 3375, 255, false, {}},
    {Control::Label8, "Label8", 240, 3240, 3375, 375, false, {}},
    {Control::Label7, "Label7", 240, 1680, 3495, 375, false, {}},
    {Control::Check1, "Check1", 2640, 3240, 1095, 255, true, "目录off"},
}};

// The row of `control` in the table; the window itself has none.
constexpr const ControlPlace& place_of(Control control) {
  for (const ControlPlace& place : form1_layout) {
    if (place.control == control) return place;
  }
  return form1_layout.front();  // not reached for a control of the table
}

}  // namespace tolvane::form
