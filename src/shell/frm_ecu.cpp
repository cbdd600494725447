#include "shell/frm_ecu.hpp"

#include <array>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dataset/data_set_download.hpp"
#include "dataset/data_set_upload.hpp"
#include "link/comm_link.hpp"
#include "maps/frm_2d.hpp"
#include "model/shared_state.hpp"
#include "model/view_number.hpp"
#include "shell/frm_about.hpp"
#include "shell/main_poll_loop.hpp"
#include "shell/remote_commands.hpp"
#include "shell/tool_commands.hpp"
#include "shell/view_commands.hpp"
#include "shell/view_table.hpp"
#include "ui/number_parse.hpp"
#include "ui/rounding.hpp"
#include "ui/text_file.hpp"
#include "views/frm_dashboard.hpp"

namespace ecu {

namespace {

constexpr const char* kTitle = "ECU System Console";
constexpr const char* kMasterModeTitle = "ECU System Console [Master Mode]";
constexpr const char* kVersionText = "V1.02.00 02/12/10";
constexpr const char* kDemoSwitch = "demo";
constexpr const char* kDemoMessage =
    "Demo Mode has been selected, Communicatons will not be performed.";
constexpr const char* kQuitQuestion = "Are you sure you want to quit?";
constexpr const char* kQuitTitle = "ECU";

constexpr const char* kPortFile = "port.cfg";
constexpr const char* kMasterModeMarker = "debug.ini";
constexpr const char* kOemPicture = "OEM.JPG";
constexpr const char* kOemText = "OEM.TXT";
constexpr const char* kLambdaUnitFile = "lambda.txt";

// Used when port.cfg is missing, empty or holds no number.
constexpr Integer kDefaultComPort = 1;

struct LambdaUnit {
  const char* caption;
  Single factor;
};

// The E85 factor follows its caption (9.765); ethanol blends have no 9.675.
constexpr std::array<LambdaUnit, FrmEcuForm::kLambdaUnits> kLambdaUnitTable{{
    {"Lamba is &1.0", 1.0F},
    {"Lambda is 1&4.7 (Gasoline)", 14.7F},
    {"Lambda is 9.&0 (Ethanol)", 9.0F},
    {"Lambda is 9.&765 (E85)", 9.765F},
    {"Lambda is 6.&4 (Methanol)", 6.4F},
}};

// The first comma-delimited item of a settings file, read as a number; nothing when the
// file cannot be read, is empty, or its item does not start with a number.
std::optional<double> read_first_number(const std::string& path) {
  ui::TextFileReader reader;
  if (!reader.open(path)) return std::nullopt;
  const std::optional<std::string> item = reader.read_field();
  reader.close();
  if (!item) return std::nullopt;
  const ui::ParsedNumber parsed = ui::parse_leading_number(*item);
  if (parsed.length == 0 || parsed.overflow) return std::nullopt;
  return parsed.value;
}

}  // namespace

FrmEcuForm::FrmEcuForm() : ui::Form("FrmEcu", kTitle, 9600, 7200) {
  lay_out();
  build_menus();
  wire_handlers();
}

// Made while the members are built, so the controls keep their place among the others.
ViewControls<ui::CommandButton> FrmEcuForm::make_view_buttons() {
  ViewControls<ui::CommandButton> buttons;
  for (const ViewRow& view : view_table()) {
    buttons.add(view.number,
                std::make_unique<ui::CommandButton>(*this, view.main_window_entry.button_name));
  }
  return buttons;
}

ViewControls<ui::MenuItem> FrmEcuForm::make_view_menu_items() {
  ViewControls<ui::MenuItem> items;
  for (const ViewRow& view : view_table()) {
    items.add(view.number,
              std::make_unique<ui::MenuItem>(*this, view.main_window_entry.menu_name, &menu_view));
  }
  return items;
}

void FrmEcuForm::lay_out() {
  constexpr float kButtonSize = 855;
  constexpr float kButtonStep = 930;
  float left = 150;
  const auto place = [&left](ui::CommandButton& button, const char* tool_tip, const char* icon) {
    button.move(left, 120, kButtonSize, kButtonSize);
    button.set_tool_tip(tool_tip);
    button.set_picture(icon);  // named in the desktop's icon theme
    left += kButtonStep;
  };
  for (const ViewRow& view : view_table()) {
    const MainWindowEntry& entry = view.main_window_entry;
    ui::CommandButton& button = view_buttons.at(view.number);
    place(button, entry.button_tool_tip, entry.button_icon);
    if (entry.button_caption != nullptr) button.set_caption(entry.button_caption);
  }
  place(Command3d6, "Additional Info", "help-about");
  place(Command3d5, "Exit Program", "application-exit");

  Picture1.move(150, 1110, 9195, 5355);
  Picture1.set_tool_tip("Contact us for technical support");
}

void FrmEcuForm::build_menus() {
  menu_file.set_caption("&File");
  menufileopen.set_caption("&Upload Calibration File To ECU");
  menufilesave.set_caption("&Dowload ECU To Calibration File");
  menu_file_sep.set_caption("-");
  menu_file_exit.set_caption("E&xit");

  menu_units.set_caption("&Units");
  menuUnitsPressure[0].set_caption("Pressure is &Kpa");
  menuUnitsPressure[1].set_caption("Pressure is &PSIG");
  menu_units_sep.set_caption("-");
  for (int k = 0; k < kLambdaUnits; ++k) {
    menuUnitsLambda[k].set_caption(kLambdaUnitTable[static_cast<std::size_t>(k)].caption);
  }
  menuUnitsPressure[0].set_checked(true);
  menuUnitsLambda[0].set_checked(true);

  menu_view.set_caption("&View");
  for (const ViewRow& view : view_table()) {
    view_menu_items.at(view.number).set_caption(view.main_window_entry.menu_caption);
  }

  menu_comm.set_caption("&Comm");
  menu_remote_setup.set_caption("&Remote Setup");
  menu_remote_setup_start_server.set_caption("Start &server");
  menu_remote_setup_start_client.set_caption("Start &client");
  menu_remote_setup_halt_client.set_caption("&Halt client");
  menu_remote_setup_halt_client.set_enabled(false);
  menu_comm_sep.set_caption("-");
  constexpr std::array<const char*, kComPortItems> kComPortCaptions{"&1", "&2", "&3", "&4", "&5",
                                                                    "&6", "&7", "&8", "&9", "1&0"};
  for (int n = 1; n <= kComPortItems; ++n) {
    comm_port_item(n).set_caption(kComPortCaptions[static_cast<std::size_t>(n - 1)]);
  }

  menu_tool.set_caption("&Tool");
  menu_tool_reset.set_caption("&Reset");
  menu_tool_reflash.set_caption("Prepare to Re-&Flash");
  menu_tool_flash_utility.set_caption("Flash &Utility");

  menu_about.set_caption("&About");
}

void FrmEcuForm::wire_handlers() {
  for (const ViewRow& view : view_table()) {
    const auto command = [number = view.number] { choose_view(number); };
    view_buttons.at(view.number).on_click = command;
    view_menu_items.at(view.number).on_click = command;
  }
  Command3d6.on_click = [this] { Command3d6_Click(); };
  Command3d5.on_click = [this] { Command3d5_Click(); };
  Timer1.on_timer = [this] { Timer1_Timer(); };
  Timer3.on_timer = [this] { Timer3_Timer(); };

  menufileopen.on_click = [this] { menufileopen_Click(); };
  menufilesave.on_click = [this] { menufilesave_Click(); };
  menu_file_exit.on_click = [this] { menu_file_exit_Click(); };
  menuUnitsPressure.on(&ui::MenuItem::on_click,
                       [this](int index) { menuUnitsPressure_Click(index); });
  menuUnitsLambda.on(&ui::MenuItem::on_click, [this](int index) { menuUnitsLambda_Click(index); });

  menu_about.on_click = [this] { menu_about_Click(); };

  menu_remote_setup_start_server.on_click = [this] { menu_remote_setup_start_server_Click(); };
  menu_remote_setup_start_client.on_click = [this] { menu_remote_setup_start_client_Click(); };
  menu_remote_setup_halt_client.on_click = [this] { menu_remote_setup_halt_client_Click(); };
  for (int n = 1; n <= kComPortItems; ++n) {
    comm_port_item(n).on_click = [n] { choose_com_port(n); };
  }

  menu_tool_reset.on_click = [this] { menu_tool_reset_Click(); };
  menu_tool_reflash.on_click = [this] { menu_tool_reflash_Click(); };
  menu_tool_flash_utility.on_click = [this] { menu_tool_flash_utility_Click(); };
}

ui::MenuItem& FrmEcuForm::comm_port_item(int n) {
  switch (n) {
    case 1:
      return menu_comm_1;
    case 2:
      return menu_comm_2;
    case 3:
      return menu_comm_3;
    case 4:
      return menu_comm_4;
    case 5:
      return menu_comm_5;
    case 6:
      return menu_comm_6;
    case 7:
      return menu_comm_7;
    case 8:
      return menu_comm_8;
    case 9:
      return menu_comm_9;
    case 10:
      return menu_comm_10;
    default:
      throw std::out_of_range("no Comm menu item for port " + std::to_string(n));
  }
}

// ---- Start-up ----------------------------------------------------------------------------

void FrmEcuForm::on_load() {
  caption_suffix.clear();
  rpm_full_scale = 10000.0F;
  current_view = kNoView;
  afr_factor = 1.0F;
  demo_mode = kFalse;

  // Exactly the switch: a different case or a trailing blank is not demo mode.
  if (console_command_line == kDemoSwitch) {
    demo_mode = kTrue;
    ui::msg_box(kDemoMessage);
  }

  read_port_setting();

  master_mode = 0;
  if (ui::file_exists(kMasterModeMarker)) {
    master_mode = 1;
    set_caption(kMasterModeTitle);
  } else {
    set_caption(kTitle);
  }

  brand_windows();

  map_sensor_gain = 115.0F;
  map_sensor_offset = 10.0F;

  // Touching the fields loads the additional mapping window hidden; yellow until the
  // controller's values arrive.
  for (int i = 0; i <= 8; ++i) {
    for (ui::ControlArray<ui::TextBox>* fields :
         {&frm_2d().clt_map, &frm_2d().mat_data, &frm_2d().Pressure_Gain}) {
      (*fields)[i].set_text("");
      (*fields)[i].set_back_colour(ui::colours::yellow);
    }
  }

  branding.version = kVersionText;
  frm_about().show_branding();

  restore_lambda_unit();
}

void FrmEcuForm::read_port_setting() {
  // A missing, empty or unreadable file must not stop the console: COM1 is assumed and the
  // Comm menu writes a proper file when the user picks a port.
  com_port = kDefaultComPort;
  if (const std::optional<double> number = read_first_number(kPortFile)) {
    if (const std::optional<std::int16_t> port = ui::round_to_int16(*number)) com_port = *port;
  }
  // A number outside 1 to 10 ticks nothing and is kept; opening that port reports it.
  if (com_port >= 1 && com_port <= kComPortItems) comm_port_item(com_port).set_checked(true);
}

void FrmEcuForm::brand_windows() {
  // Read here only. A missing or unreadable picture leaves the boxes empty; the console
  // works without it.
  branding.picture = ui::Picture::read(kOemPicture);
  Picture1.set_picture(branding.picture);

  // Without the text file the about window keeps its own description.
  if (const auto lines = ui::read_all_lines(kOemText)) {
    std::string text;
    for (const std::string& line : *lines) {
      text += line;
      text += '\r';
    }
    branding.about_text = text;
  }
  // Touching the windows loads them hidden.
  frm_dashboard().show_branding();
  frm_about().show_branding();
}

void FrmEcuForm::restore_lambda_unit() {
  if (!ui::file_exists(kLambdaUnitFile)) {
    // Only the default is recorded, so a folder that cannot be written loses nothing.
    ui::write_text_file_atomic(kLambdaUnitFile, {"0"}, nullptr);
    return;
  }
  // An empty, non-numeric or out-of-range entry (above 4.5 it rounds to 5, which has no
  // menu item) leaves the default unit.
  const std::optional<double> value = read_first_number(kLambdaUnitFile);
  if (!value || *value < 0.0 || *value >= kLambdaUnits) return;
  const std::optional<std::int16_t> index = ui::round_to_int16(*value);
  if (!index || *index >= kLambdaUnits) return;
  select_lambda_unit(*index);
}

void FrmEcuForm::on_activate() {
  // Only the first activation: the main window comes back after every view.
  if (activated_before_) return;
  activated_before_ = true;
  config_requested = kFalse;
}

void FrmEcuForm::on_unload() {
  // The main window going away is the end of the program, whichever way it was closed.
  ui::end_program();
}

// ---- Units and quit ------------------------------------------------------------------------

bool FrmEcuForm::select_lambda_unit(int index) {
  if (index < 0 || index >= kLambdaUnits) return false;
  for (int k = 0; k < kLambdaUnits; ++k) menuUnitsLambda[k].set_checked(false);
  menuUnitsLambda[index].set_checked(true);
  afr_factor = kLambdaUnitTable[static_cast<std::size_t>(index)].factor;
  return true;
}

void FrmEcuForm::menuUnitsLambda_Click(int index) {
  if (!select_lambda_unit(index)) return;
  std::string error;
  if (!ui::write_text_file_atomic(kLambdaUnitFile, {std::to_string(index)}, &error)) {
    ui::msg_box("The units choice could not be saved in " + std::string(kLambdaUnitFile) + " (" +
                    error + "). It applies until the console is closed.",
                ui::MsgButtons::ok, ui::MsgIcon::exclamation);
  }
}

void FrmEcuForm::menuUnitsPressure_Click(int index) {
  if (!menuUnitsPressure.contains(index)) return;
  menuUnitsPressure[index].set_checked(true);
  menuUnitsPressure[1 - index].set_checked(false);
}

void FrmEcuForm::menu_file_exit_Click() {
  const ui::MsgResult answer =
      ui::msg_box(kQuitQuestion, ui::MsgButtons::yes_no, ui::MsgIcon::exclamation, 1, kQuitTitle);
  if (answer == ui::MsgResult::yes) unload();
}

// ---- Commands filled in by the view navigation, relay, tool and data set code ---------------

void FrmEcuForm::menu_about_Click() {
  ecu::menu_about();
}
void FrmEcuForm::menufileopen_Click() {
  upload_data_set();
}
void FrmEcuForm::menufilesave_Click() {
  download_data_set();
}
void FrmEcuForm::menu_remote_setup_start_server_Click() {
  start_relay_server();
}
void FrmEcuForm::menu_remote_setup_start_client_Click() {
  start_relay_client();
}
void FrmEcuForm::menu_remote_setup_halt_client_Click() {
  halt_relay_client();
}
void FrmEcuForm::menu_tool_reset_Click() {
  reset_controller();
}
void FrmEcuForm::menu_tool_reflash_Click() {
  prepare_reflash();
}
void FrmEcuForm::menu_tool_flash_utility_Click() {
  open_flash_utility();
}
void FrmEcuForm::Timer1_Timer() {
  main_poll_tick();
}
void FrmEcuForm::Timer3_Timer() {
  plotter_poll_tick();
}

}  // namespace ecu
