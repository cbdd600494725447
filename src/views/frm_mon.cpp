#include "views/frm_mon.hpp"

#include "model/shared_state.hpp"
#include "shell/view_commands.hpp"

namespace ecu {

namespace {

constexpr ui::Colour kChannelText = 0xFF0000;  // blue
constexpr float kRow = 330;
constexpr float kLabelHeight = 285;

}  // namespace

FrmMonForm::FrmMonForm() : ui::Form("frm_mon", "Real Time Monitor", 11400, 8400) {
  lay_out();
  build_menus();
  Command3d1.on_click = [this] { Command3d1_Click(); };
}

void FrmMonForm::lay_out() {
  Command3d1.move(120, 120, 615, 615);
  Command3d1.set_tool_tip("Click to exit back to the console");

  show_demo_mode.move(3600, 120, 4200, 495);
  show_demo_mode.set_caption("DEMO MODE!");
  show_demo_mode.set_fore_colour(ui::colours::light_red);
  show_demo_mode.set_visible(false);

  // Two columns of ten values; their captions stand to the left of each column.
  for (int i = 0; i < ECU_Data.count(); ++i) {
    const float left = i < 10 ? 2400.0F : 7200.0F;
    const float top = 960.0F + kRow * static_cast<float>(i % 10);
    ECU_Data[i].move(left, top, 1335, kLabelHeight);
    ECU_Data[i].set_alignment(ui::Label::Align::right);
  }

  // Channel block: one row per channel, columns injector ms, duty, dwell, duty.
  ui::ControlArray<ui::Label>* const columns[] = {&inj_pw, &inj_duty, &ign_dwell, &ign_duty};
  float left = 1440;
  for (ui::ControlArray<ui::Label>* column : columns) {
    for (int row = 0; row < kChannels; ++row) {
      ui::Label& cell = (*column)[row];
      cell.move(left, 4500.0F + kRow * static_cast<float>(row), 975, kLabelHeight);
      cell.set_fore_colour(kChannelText);
      cell.set_back_colour(ui::colours::white);
      cell.set_alignment(ui::Label::Align::right);
    }
    left += 1095;
  }

  // Status column to the right of the channel block.
  ui::Label* const status[] = {
      &can_rx_frames, &aux_stat,    &map_sel_stat, &trig_b_stat, &rev_limit_stat, &flat_shift_stat,
      &EGT,           &group_delay, &map_num,      &num_trigs,   &num_cams,       &wheel_idx_num,
      &cam_idx_num,   &cpu_secs,    &err_flgs,     &speed_MPH,   &rpm_mph_ratio,  &gear_number};
  for (std::size_t i = 0; i < std::size(status); ++i) {
    const float column_left = i < 9 ? 7560.0F : 9600.0F;
    const float top = 4500.0F + kRow * static_cast<float>(i % 9);
    status[i]->move(column_left, top, 1215, kLabelHeight);
  }
}

void FrmMonForm::build_menus() {
  menufile.set_caption("&File");
  menufileexit.set_caption("e&xit");
  menufileexit.on_click = [this] { menufileexit_Click(); };
  const auto close = [this] { Command3d1_Click(); };
  wire_view_menu(menu_dash, "&Dashboard", view_request_dash, close);
  wire_view_menu(menu_tools, "&Config.", view_request_tools, close);
  wire_view_menu(menu_3d, "&Basic Map", view_request_3d, close);
  wire_view_menu(menu_2d, "&Additional Map", view_request_2d, close);
  wire_view_menu(menu_sup, "&GPO Drv.", view_request_sup, close);
  wire_view_menu(menu_plot, "&Plotter", view_request_plot, close);
  wire_view_menu(menu_diag, "D&iagnostics", view_request_diag, close);
}

void FrmMonForm::Command3d1_Click() {
  Form_Unload();
}

void FrmMonForm::menufileexit_Click() {
  Command3d1_Click();
}

void FrmMonForm::Form_Unload() {
  close_view(*this);
}

void FrmMonForm::on_activate() {
  set_caption("Real Time Monitor" + caption_suffix);
}

void FrmMonForm::on_unload() {
  Form_Unload();
}

}  // namespace ecu
