#pragma once
// A window built for the front-end tests: one control of each kind the generic front-end
// draws, a menu bar, and handlers that record what ran.

#include <string>
#include <vector>

#include "ui/ui.hpp"

namespace gui_test {

class SettingsForm : public ui::Form {
 public:
  SettingsForm() : ui::Form("frm_settings", "Engine Settings", 6000, 4800) {
    mnu_file.set_caption("&File");
    mnu_save.set_caption("&Save");
    mnu_file_separator.set_caption("-");
    mnu_exit.set_caption("E&xit");
    mnu_view.set_caption("&View");
    mnu_details.set_caption("&Details");
    mnu_details.set_checked(true);
    mnu_save.on_click = [this] { ++save_clicks; };
    mnu_details.on_click = [this] { mnu_details.set_checked(!mnu_details.checked()); };
    mnu_file.on_click = [this] { ++file_menu_opened; };

    lbl_title.set_caption("Fuel && Spark");
    lbl_title.move(120, 120, 3000, 255);
    lbl_title.on_click = [this] { ++label_clicks; };

    txt_rpm.move(120, 480, 1500, 315);
    txt_rpm.on_change = [this] { changes.push_back(txt_rpm.text()); };
    txt_rpm.on_key_down = [this](int& key_code, int shift) {
      key_downs.push_back(key_code);
      if (key_down_filter) key_down_filter(key_code, shift);
    };
    txt_rpm.on_key_press = [this](int& key_ascii) {
      key_presses.push_back(key_ascii);
      if (key_press_filter) key_press_filter(key_ascii);
    };

    chk_log.set_caption("&Log");
    chk_log.move(120, 900, 1500, 255);
    chk_log.on_click = [this] {
      ++check_clicks;
      if (refuse_check) chk_log.set_value(ui::CheckBox::unchecked);
    };

    fra_units.set_caption("Units");
    fra_units.move(2000, 480, 2400, 1200);
    for (int i = 0; i < opt_unit.count(); ++i) {
      opt_unit[i].place_in(fra_units);
      opt_unit[i].set_caption(i == 0 ? "kPa" : "PSI");
      opt_unit[i].move(120, 240.0F + 360.0F * static_cast<float>(i), 1800, 255);
    }
    opt_unit[0].set_value(true);
    opt_unit.on(&ui::OptionButton::on_click, [this](int index) { selected_unit = index; });

    cmd_apply.set_caption("&Apply");
    cmd_apply.move(120, 1500, 1200, 375);
    cmd_apply.on_click = [this] { ++apply_clicks; };
    cmd_close.set_caption("Close");
    cmd_close.move(1440, 1500, 1200, 375);
    cmd_close.on_click = [this] { unload(); };

    shp_lamp.set_shape(ui::Shape::Kind::circle);
    shp_lamp.set_fill_style(0);
    shp_lamp.set_fill_colour(ui::colours::light_green);
    shp_lamp.move(4600, 480, 450, 450);

    lin_rule.set_points(120, 2100, 4400, 2100);
    lin_rule.set_border_colour(ui::colours::light_blue);
  }

  ui::MenuItem mnu_file{*this, "mnu_file", nullptr};
  ui::MenuItem mnu_save{*this, "mnu_save", &mnu_file};
  ui::MenuItem mnu_file_separator{*this, "mnu_file_separator", &mnu_file};
  ui::MenuItem mnu_exit{*this, "mnu_exit", &mnu_file};
  ui::MenuItem mnu_view{*this, "mnu_view", nullptr};
  ui::MenuItem mnu_details{*this, "mnu_details", &mnu_view};

  ui::Label lbl_title{*this, "lbl_title"};
  ui::TextBox txt_rpm{*this, "txt_rpm"};
  ui::CheckBox chk_log{*this, "chk_log"};
  ui::Frame fra_units{*this, "fra_units"};
  ui::ControlArray<ui::OptionButton> opt_unit{*this, "opt_unit", 2};
  ui::CommandButton cmd_apply{*this, "cmd_apply"};
  ui::CommandButton cmd_close{*this, "cmd_close"};
  ui::Shape shp_lamp{*this, "shp_lamp"};
  ui::Line lin_rule{*this, "lin_rule"};

  int save_clicks = 0;
  int file_menu_opened = 0;
  int label_clicks = 0;
  int check_clicks = 0;
  int apply_clicks = 0;
  int selected_unit = 0;
  int activations = 0;
  int close_requests = 0;
  bool keep_open = false;
  bool refuse_check = false;
  std::vector<std::string> changes;
  std::vector<int> key_downs;
  std::vector<int> key_presses;
  std::function<void(int&, int)> key_down_filter;
  std::function<void(int&)> key_press_filter;

 protected:
  void on_activate() override { ++activations; }
  void on_query_unload(bool& cancel) override {
    ++close_requests;
    cancel = keep_open;
  }
};

inline ui::FormInstance<SettingsForm> frm_settings;

// A second window, for activation between windows.
class NotesForm : public ui::Form {
 public:
  NotesForm() : ui::Form("frm_notes", "Notes", 3000, 2000) { lbl_note.set_caption("Note"); }
  ui::Label lbl_note{*this, "lbl_note"};
  int activations = 0;

 protected:
  void on_activate() override { ++activations; }
};

inline ui::FormInstance<NotesForm> frm_notes;

}  // namespace gui_test
