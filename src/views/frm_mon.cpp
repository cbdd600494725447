#include "views/frm_mon.hpp"

#include <string>

#include "model/shared_state.hpp"
#include "shell/view_commands.hpp"
#include "views/monitor_display.hpp"

namespace ecu {

namespace {

constexpr ui::Colour kChannelText = 0xFF0000;  // blue
constexpr float kRow = 330;
constexpr float kLabelHeight = 285;
constexpr float kGap = 90;
// The degree sign is a single byte in the windows' texts.
constexpr const char* kDegreesC =
    "\xB0"
    "C";
constexpr float kCaptionWidth = 2040;
constexpr float kValueWidth = 975;
constexpr float kChannelLeft = 1440;
constexpr float kChannelTop = 4620;
constexpr float kChannelWidth = 855;

}  // namespace

FrmMonForm::FrmMonForm() : ViewForm("frm_mon", "Real Time Monitor", 11400, 8400) {
  lay_out();
  build_menus();
  Command3d1.on_click = [this] { Command3d1_Click(); };
}

void FrmMonForm::lay_out() {
  Command3d1.move(120, 120, 615, 615);
  set_up_exit_button(Command3d1);

  lay_out_demo_label(show_demo_mode, 3600, 120, 4200, 495);

  // The design captions take the Label1 elements in order, leaving out the two that the
  // program rewrites; those are placed where they belong.
  int next_label = 0;
  const auto place_label = [this, &next_label](const char* text, float left, float top, float width,
                                               ui::Label::Align align, int index = -1) {
    if (index < 0) {
      while (next_label == kAfrUnitLabel || next_label == kSetpointUnitLabel) ++next_label;
      index = next_label++;
    }
    ui::Label& label = Label1[index];
    label.move(left, top, width, kLabelHeight);
    label.set_caption(text);
    label.set_alignment(align);
  };
  constexpr auto kLeft = ui::Label::Align::left;
  constexpr auto kRight = ui::Label::Align::right;
  constexpr auto kCentre = ui::Label::Align::centre;

  // Two columns of ten values, each with its caption to the left and its unit to the right.
  struct Entry {
    const char* caption;
    const char* unit;
  };
  const Entry entries[20] = {
      {"Engine Speed", "RPM"},         {"A/F Ratio", nullptr},
      {"Coolant Temp.", kDegreesC},    {"Throttle Position", "%"},
      {"Manifold Pressure", "kPa"},    {"Base Injection PW", "ms"},
      {"EGO Correction", "Gamma"},     {"MAP Enrichment", "Gamma"},
      {"Accel Enrichment", "ms"},      {"CLT Enrichment", "Gamma"},
      {"Battery Voltage", "Volts DC"}, {"AirTemp.", kDegreesC},
      {"AUX Input", "Volts DC"},       {nullptr, nullptr},
      {"Barometic Pressure", "kPa"},   {"IAC State", nullptr},
      {"IAC Error", nullptr},          {"IAC Position", nullptr},
      {"IAC RPM Setpoint", "RPM"},     {"Timing", "\xB0"},
  };
  for (int i = 0; i < ECU_Data.count(); ++i) {
    const float caption_left = i < 10 ? 240.0F : 5160.0F;
    const float value_left = caption_left + kCaptionWidth + kGap;
    const float top = 960.0F + kRow * static_cast<float>(i % 10);
    ECU_Data[i].move(value_left, top, kValueWidth, kLabelHeight);
    ECU_Data[i].set_alignment(ui::Label::Align::right);
    const Entry& entry = entries[i];
    if (entry.caption) place_label(entry.caption, caption_left, top, kCaptionWidth, kRight);
    const float unit_left = value_left + kValueWidth + kGap;
    if (entry.unit) place_label(entry.unit, unit_left, top, 1200, kLeft);
    // The A/F unit is the program's: lambda, AFR or oxygen percent.
    if (i == 1) place_label("Lambda", unit_left, top, 1200, kLeft, kAfrUnitLabel);
  }
  // The lambda set-point closes the right column, its unit in the program's own label.
  {
    // The caption starts a little right of the column: the channel headings end below it.
    const float caption_left = 5280.0F;
    const float caption_width = kCaptionWidth - 120.0F;
    const float value_left = caption_left + caption_width + kGap;
    const float top = 960.0F + kRow * 10.0F;
    place_label("Lambda Setpoint", caption_left, top, caption_width, kRight);
    ego_lambda_setpoint.move(value_left, top, kValueWidth, kLabelHeight);
    ego_lambda_setpoint.set_alignment(ui::Label::Align::right);
    place_label("Lambda", value_left + kValueWidth + kGap, top, 1200, kLeft, kSetpointUnitLabel);
  }
  // The link's byte counters, top right.
  ui::Label* const counters[] = {&tx_bytes, &rx_bytes};
  const char* const counter_captions[] = {"TXB", "RXB"};
  for (std::size_t i = 0; i < std::size(counters); ++i) {
    const float top = 120.0F + kRow * static_cast<float>(i);
    place_label(counter_captions[i], 8400, top, 600, kRight);
    counters[i]->move(9000 + kGap, top, 1800, kLabelHeight);
  }

  // Channel block: one row per channel, columns injector ms, duty, dwell, duty.
  ui::ControlArray<ui::Label>* const columns[] = {&inj_pw, &inj_duty, &ign_dwell, &ign_duty};
  const char* const headings[] = {"Inj ms", "Duty%", "Dwell", "Duty%"};
  float left = kChannelLeft;
  for (std::size_t column = 0; column < std::size(columns); ++column) {
    place_label(headings[column], left, kChannelTop - kRow, kChannelWidth, kCentre);
    for (int row = 0; row < kChannels; ++row) {
      ui::Label& cell = (*columns[column])[row];
      cell.move(left, kChannelTop + kRow * static_cast<float>(row), kChannelWidth, kLabelHeight);
      cell.set_fore_colour(kChannelText);
      cell.set_back_colour(ui::colours::white);
      cell.set_alignment(ui::Label::Align::right);
    }
    left += kChannelWidth + 120;
  }
  for (int row = 0; row < kChannels; ++row) {
    const std::string name = "Chan" + std::to_string(row + 1);
    place_label(name.c_str(), 480, kChannelTop + kRow * static_cast<float>(row),
                kChannelLeft - 480 - kGap, kLeft);
  }

  // Status values in two columns to the right of the channel block, each captioned.
  struct Status {
    ui::Label* value;
    const char* caption;
    const char* unit;
  };
  const Status status[] = {
      {&can_rx_frames, "CAN RX", nullptr},
      {&aux_stat, "AUX=", nullptr},
      {&map_sel_stat, "MapSel=", nullptr},
      {&trig_b_stat, "TrigB=", nullptr},
      {&rev_limit_stat, "Rev Lim=", nullptr},
      {&flat_shift_stat, "Flat Shft=", nullptr},
      {&EGT, "EGT", kDegreesC},
      {&group_delay, "Comm Group Delay", "MS"},
      {&map_num, "Map#=", nullptr},
      {&num_trigs, "#Trigs=", nullptr},
      {&num_cams, "#Cam=", nullptr},
      {&wheel_idx_num, "WDbg=", nullptr},
      {&cam_idx_num, "CDbg=", nullptr},
      {&cpu_secs, "CPUt=", nullptr},
      {&err_flgs, "TErrs=", nullptr},
      {&speed_MPH, "MPH=", nullptr},
      {&rpm_mph_ratio, "R/M=", nullptr},
      {&gear_number, "Gear=", nullptr},
  };
  for (std::size_t i = 0; i < std::size(status); ++i) {
    const bool first_column = i < 9;
    const float caption_left = first_column ? 5280.0F : 9000.0F;
    const float caption_width = first_column ? 2040.0F : 840.0F;
    const float value_left = caption_left + caption_width + kGap;
    const float value_width = first_column ? 975.0F : 1095.0F;
    const float top = kChannelTop + kRow * static_cast<float>(i % 9);
    status[i].value->move(value_left, top, value_width, kLabelHeight);
    place_label(status[i].caption, caption_left, top, caption_width, kRight);
    if (status[i].unit)
      place_label(status[i].unit, value_left + value_width + kGap, top, 420, kLeft);
  }

  // Whatever the design does not use stays out of sight.
  for (int index = next_label; index < kLabels; ++index) {
    if (index != kAfrUnitLabel && index != kSetpointUnitLabel) Label1[index].set_visible(false);
  }
}

void FrmMonForm::build_menus() {
  menufile.set_caption("&File");
  menufileexit.set_caption("e&xit");
  menufileexit.on_click = [this] { menufileexit_Click(); };
}

void FrmMonForm::Command3d1_Click() {
  close_command();
}

void FrmMonForm::menufileexit_Click() {
  Command3d1_Click();
}

void FrmMonForm::on_activate() {
  set_caption("Real Time Monitor" + caption_suffix);
  idle_timer_start = static_cast<Single>(ui::clock().seconds_since_midnight());
  const char* unit = lambda_units_chosen() ? "Lambda" : "AFR";
  Label1[kAfrUnitLabel].set_caption(unit);
  Label1[kSetpointUnitLabel].set_caption(unit);
  // The refresh puts this back after the sensor reported oxygen percent ("%O2").
  lambda_unit_caption = Label1[kAfrUnitLabel].caption();
}

}  // namespace ecu
