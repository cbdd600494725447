#pragma once
// Short names for the editor controls the setting tables point at. Each reaches the control
// through its window's default instance, so the first touch creates the window hidden.

#include "config/frm_tool.hpp"
#include "decode/setting_table.hpp"
#include "maps/frm_sup.hpp"

namespace ecu {

template <auto member>
ui::TextBox& tool_box() {
  return control<&frm_tool, member>();
}

template <auto member>
ui::ControlArray<ui::TextBox>& tool_boxes() {
  return control<&frm_tool, member>();
}

template <auto member>
ui::ControlArray<ui::TextBox>& output_boxes() {
  return control<&frm_sup, member>();
}

}  // namespace ecu
