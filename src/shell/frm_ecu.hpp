#pragma once
// The console's main window. Its load is the whole start-up: shared defaults, the command
// line, the settings and branding files, and the lambda/AFR unit. It owns the Units menu,
// the quit command and the end of the program.

#include <optional>
#include <string>

#include "model/basic_types.hpp"
#include "model/view_number.hpp"
#include "shell/view_commands.hpp"
#include "ui/ui.hpp"

namespace ecu {

// The command line the console was started with; start-up compares it with "demo".
inline std::string console_command_line;

// What start-up reads for the windows it brands. Read once and kept for the run: the about
// and dashboard windows show it each time they are created, whatever the files hold by then.
struct Branding {
  ui::Picture picture;                    // OEM.JPG; empty when it could not be read
  std::optional<std::string> about_text;  // OEM.TXT's lines, each ended by a carriage return
  std::string version;                    // the console's version, once start-up has set it
};

class FrmEcuForm : public ui::Form {
 public:
  FrmEcuForm();

  static constexpr int kComPortItems = 10;
  static constexpr int kLambdaUnits = 5;

  // ---- Controls ----
  ui::PictureBox Picture1{*this, "Picture1"};
  // Shortcut buttons, left to right: one per view, in the view table's order, then about and
  // exit.
  const ViewControls<ui::CommandButton> view_buttons = make_view_buttons();
  ui::CommandButton Command3d6{*this, "Command3d6"};
  ui::CommandButton Command3d5{*this, "Command3d5"};
  ui::Timer Timer1{*this, "Timer1", 50};
  ui::Timer Timer3{*this, "Timer3", 1000};

  // ---- Menus ----
  ui::MenuItem menu_file{*this, "menu_file", nullptr};
  ui::MenuItem menufileopen{*this, "menufileopen", &menu_file};
  ui::MenuItem menufilesave{*this, "menufilesave", &menu_file};
  ui::MenuItem menu_file_sep{*this, "menu_file_sep", &menu_file};
  ui::MenuItem menu_file_exit{*this, "menu_file_exit", &menu_file};

  ui::MenuItem menu_units{*this, "menu_units", nullptr};
  ui::ControlArray<ui::MenuItem> menuUnitsPressure{*this, "menuUnitsPressure", 2, &menu_units};
  ui::MenuItem menu_units_sep{*this, "menu_units_sep", &menu_units};
  ui::ControlArray<ui::MenuItem> menuUnitsLambda{*this, "menuUnitsLambda", kLambdaUnits,
                                                 &menu_units};

  ui::MenuItem menu_view{*this, "menu_view", nullptr};
  // One item per view, in the view table's order; each runs that view's command.
  const ViewControls<ui::MenuItem> view_menu_items = make_view_menu_items();

  ui::MenuItem menu_comm{*this, "menu_comm", nullptr};
  ui::MenuItem menu_remote_setup{*this, "menu_remote_setup", &menu_comm};
  ui::MenuItem menu_remote_setup_start_server{*this, "menu_remote_setup_start_server",
                                              &menu_remote_setup};
  ui::MenuItem menu_remote_setup_start_client{*this, "menu_remote_setup_start_client",
                                              &menu_remote_setup};
  ui::MenuItem menu_remote_setup_halt_client{*this, "menu_remote_setup_halt_client",
                                             &menu_remote_setup};
  ui::MenuItem menu_comm_sep{*this, "menu_comm_sep", &menu_comm};
  ui::MenuItem menu_comm_1{*this, "menu_comm_1", &menu_comm};
  ui::MenuItem menu_comm_2{*this, "menu_comm_2", &menu_comm};
  ui::MenuItem menu_comm_3{*this, "menu_comm_3", &menu_comm};
  ui::MenuItem menu_comm_4{*this, "menu_comm_4", &menu_comm};
  ui::MenuItem menu_comm_5{*this, "menu_comm_5", &menu_comm};
  ui::MenuItem menu_comm_6{*this, "menu_comm_6", &menu_comm};
  ui::MenuItem menu_comm_7{*this, "menu_comm_7", &menu_comm};
  ui::MenuItem menu_comm_8{*this, "menu_comm_8", &menu_comm};
  ui::MenuItem menu_comm_9{*this, "menu_comm_9", &menu_comm};
  ui::MenuItem menu_comm_10{*this, "menu_comm_10", &menu_comm};

  ui::MenuItem menu_tool{*this, "menu_tool", nullptr};
  ui::MenuItem menu_tool_reset{*this, "menu_tool_reset", &menu_tool};
  ui::MenuItem menu_tool_reflash{*this, "menu_tool_reflash", &menu_tool};
  ui::MenuItem menu_tool_flash_utility{*this, "menu_tool_flash_utility", &menu_tool};

  ui::MenuItem menu_about{*this, "menu_about", nullptr};

  // ---- The views' controls by the names other code reaches them by; a view added to the
  // view table needs no name here ----
  ui::MenuItem& Menu_View_Monitor = view_menu_items.at(kMonitorView);
  ui::MenuItem& menu_view_dashboard = view_menu_items.at(kDashboardView);
  ui::MenuItem& Menu_View_Injection = view_menu_items.at(kConfigurationView);
  ui::MenuItem& menu_View_Mapping = view_menu_items.at(kBasicMappingView);
  ui::MenuItem& menu_view_temperature = view_menu_items.at(kAdditionalMappingView);
  ui::MenuItem& menu_View_supp = view_menu_items.at(kOutputDriverView);
  ui::MenuItem& menu_View_Plotter = view_menu_items.at(kPlotterView);
  ui::MenuItem& menu_view_diagnostic = view_menu_items.at(kDiagnosticsView);
  ui::CommandButton& Command3d4 = view_buttons.at(kMonitorView);
  ui::CommandButton& Command1 = view_buttons.at(kDashboardView);
  ui::CommandButton& Command3d1 = view_buttons.at(kConfigurationView);
  ui::CommandButton& Command3d2 = view_buttons.at(kBasicMappingView);
  ui::CommandButton& Command3d7 = view_buttons.at(kAdditionalMappingView);
  ui::CommandButton& Command2 = view_buttons.at(kOutputDriverView);
  ui::CommandButton& Command3d3 = view_buttons.at(kPlotterView);
  ui::CommandButton& Command3 = view_buttons.at(kDiagnosticsView);

  // The Comm menu item of port n (1 to 10); throws std::out_of_range for any other n.
  ui::MenuItem& comm_port_item(int n);

  // ---- Form-level state ----
  // The status request "C" has been sent since the first activation.
  Flag config_requested = kFalse;
  Branding branding;

  // ---- Units and quit ----
  // The user's choice of lambda/AFR unit k (0 to 4): applied and remembered in lambda.txt.
  void menuUnitsLambda_Click(int index);
  void menuUnitsPressure_Click(int index);
  void menu_file_exit_Click();
  // Ticks unit k and sets afr_factor, without remembering it; false for an unknown k.
  bool select_lambda_unit(int index);

  // ---- View commands and shortcut buttons ----
  // Every view's item and button run `choose_view` for its view; these two view commands
  // are also called by name.
  void Menu_View_Injection_Click() { choose_view(kConfigurationView); }
  void menu_View_Mapping_Click() { choose_view(kBasicMappingView); }
  void menu_about_Click();
  void Command3d6_Click() { menu_about_Click(); }
  void Command3d5_Click() { menu_file_exit_Click(); }

  // ---- Commands of other menus ----
  void menufileopen_Click();
  void menufilesave_Click();
  void menu_remote_setup_start_server_Click();
  void menu_remote_setup_start_client_Click();
  void menu_remote_setup_halt_client_Click();
  void menu_tool_reset_Click();
  void menu_tool_reflash_Click();
  void menu_tool_flash_utility_Click();

  // ---- Poll timers ----
  void Timer1_Timer();
  void Timer3_Timer();

 protected:
  void on_load() override;
  void on_activate() override;
  void on_unload() override;

 private:
  ViewControls<ui::CommandButton> make_view_buttons();
  ViewControls<ui::MenuItem> make_view_menu_items();
  void lay_out();
  void build_menus();
  void wire_handlers();

  void read_port_setting();
  void brand_windows();
  void restore_lambda_unit();

  bool activated_before_ = false;
};

inline ui::FormInstance<FrmEcuForm> FrmEcu;

}  // namespace ecu
