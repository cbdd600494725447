#pragma once
// The firmware loader window: takes the serial line over from the main window, checks that
// the controller's resident loader is ready ("q" answered by "B"), streams a firmware file
// to it line by line, and shows what the loader sends back in a small terminal.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/caption_set.hpp"
#include "ui/ui.hpp"

namespace ecu {

class SflashForm : public ui::Form {
 public:
  SflashForm();

  ui::PictureBox terminal{*this, "terminal"};
  ui::CommandButton Command1{*this, "Command1"};
  ui::CommandButton Command2{*this, "Command2"};
  ui::CommandButton Command3{*this, "Command3"};
  ui::CommandButton exit_flash{*this, "exit_flash"};
  ui::CheckBox char_delay_box{*this, "char_delay_box"};
  ui::TextBox char_dly{*this, "char_dly"};
  ui::CheckBox line_delay_box{*this, "line_delay_box"};
  ui::TextBox line_dly{*this, "line_dly"};
  ui::Label Label2{*this, "Label2"};
  ui::Label lines_sent{*this, "lines_sent"};
  ui::Label Label1{*this, "Label1"};
  ui::Label Label3{*this, "Label3"};
  ui::Timer Timer1{*this, "Timer1", 100};

  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void exit_flash_Click();
  void Timer1_Timer();

  // ---- Form-level state ----
  bool loader_ready = false;
  bool flash_error = false;
  bool flash_halt = false;
  std::int32_t terminal_column = 0;

  // The terminal's lines as shown, the current one last.
  [[nodiscard]] const std::vector<std::string>& terminal_lines() const { return terminal_lines_; }
  [[nodiscard]] bool transfer_running() const { return transfer_running_; }

 protected:
  void on_activate() override;
  void on_query_unload(bool& cancel) override;
  void on_unload() override;

 private:
  // Gives the serial line to this window; false (after a message) when its port cannot open.
  bool take_over_comm_port();
  // Moves whatever the loader sent into the terminal.
  void show_loader_output();
  void run_transfer(const std::vector<std::string>& lines);
  bool send_line(const std::string& line);
  // Sends every byte; false when the port failed or took nothing for about 5 s.
  bool send_to_loader(std::string_view bytes);
  // Waits until the port's output buffer holds 128 bytes or fewer; false when it failed or
  // did not drain at all for about 5 s.
  bool wait_output_queue();
  void leave_window();

  void clear_terminal();
  void terminal_print(std::string_view text);
  void terminal_new_line();
  void redraw_terminal();

  std::vector<std::string> terminal_lines_{""};
  bool transfer_running_ = false;
  bool close_after_transfer_ = false;
};

inline ui::FormInstance<SflashForm> sflash;

}  // namespace ecu
