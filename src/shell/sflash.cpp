#include "shell/sflash.hpp"

#include <optional>

#include "link/comm_port.hpp"
#include "link/loader_port.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "model/view_number.hpp"
#include "shell/frm_ecu.hpp"
#include "ui/clock.hpp"
#include "ui/format.hpp"
#include "ui/number_parse.hpp"
#include "ui/text_file.hpp"

namespace ecu {
namespace {

constexpr const char* kWarning =
    "The reflash opperation requires that ALL other applications be halted, or errors may "
    "occur. Press Cancel if you need to halt other applications";
constexpr const char* kNotReady =
    "The controller doesnt appear to be ready to reflash, prepare it from the System Console "
    "Tool menu.";
constexpr const char* kFlashFailed =
    "An error has occurred durring the program Flash opperation, you must Flash the controller "
    "again.";
constexpr const char* kMonitorCheck = "q";
constexpr const char* kLineEnd = "\r\n";
constexpr const char* kNoFileChosen = "*.S";
constexpr char kLoaderReady = 'B';
constexpr char kLoaderError = 'E';
constexpr int kTerminalColumns = 40;
constexpr float kTerminalLineHeight = 195;
constexpr float kTerminalMargin = 60;
constexpr std::size_t kKeptTerminalLines = 100;
constexpr Single kReadyWaitSeconds = 0.25F;
// The loader answers a line within this time; an "E" for the last line still counts.
constexpr Single kLastAnswerWaitSeconds = 0.25F;
constexpr std::size_t kOutputQueueLimit = 128;
// A line that takes nothing for this long is dead: the transfer fails instead of hanging.
constexpr double kStallLimitSeconds = 5.0;
constexpr double kStallStepSeconds = 0.001;

// Notes when the line last moved, so that a wait without progress ends.
class StallWatch {
 public:
  StallWatch() : last_progress_(ui::clock().monotonic_seconds()) {}
  void progressed() { last_progress_ = ui::clock().monotonic_seconds(); }
  // Sleeps one step; false once the line has not moved for the limit.
  bool wait_step() {
    if (ui::clock().monotonic_seconds() - last_progress_ > kStallLimitSeconds) return false;
    ui::clock().sleep_seconds(kStallStepSeconds);
    return true;
  }

 private:
  double last_progress_;
};

Single delay_setting(const ui::TextBox& box) {
  return static_cast<Single>(ui::leading_number(box.text()));
}

}  // namespace

SflashForm::SflashForm() : ui::Form("sflash", "Quelar Flash Utility", 6600, 4200) {
  terminal.move(120, 120, 6255, 2175);
  // A white, sunken area, so the terminal can be told from the window around it.
  terminal.set_back_colour(ui::colours::white);
  terminal.set_fore_colour(ui::colours::black);
  terminal.set_bordered(true);
  Command1.set_caption("Flash Program");
  Command1.move(120, 2460, 1455, 420);
  Command2.set_caption("Halt Flashing");
  Command2.move(1740, 2460, 1455, 420);
  Command3.set_caption("Monitor Check");
  Command3.move(3360, 2460, 1455, 420);
  exit_flash.set_caption("Exit Flash Util.");
  exit_flash.move(4920, 2460, 1455, 420);
  char_delay_box.set_caption("Add charecter dly.");
  char_delay_box.move(120, 3060, 1935, 255);
  char_dly.set_text("0.001");
  char_dly.move(2160, 3030, 735, 315);
  Label1.set_caption("Sec");
  Label1.move(2985, 3060, 435, 255);
  line_delay_box.set_caption("Add line dly.");
  line_delay_box.move(120, 3480, 1935, 255);
  line_dly.set_text("0.020");
  line_dly.move(2160, 3450, 735, 315);
  Label3.set_caption("Sec");
  Label3.move(2985, 3480, 435, 255);
  Label2.set_caption("Lines Sent:");
  Label2.move(3960, 3060, 1095, 255);
  lines_sent.set_caption("0");
  lines_sent.move(5100, 3060, 1095, 255);

  Command1.on_click = [this] { Command1_Click(); };
  Command2.on_click = [this] { Command2_Click(); };
  Command3.on_click = [this] { Command3_Click(); };
  exit_flash.on_click = [this] { exit_flash_Click(); };
  Timer1.on_timer = [this] { Timer1_Timer(); };
}

void SflashForm::on_activate() {
  // A transfer owns the line: a check sent now would land inside the firmware.
  if (transfer_running_) return;
  Command2.set_enabled(false);
  Command3_Click();
}

void SflashForm::Command3_Click() {
  if (!take_over_comm_port()) return;
  clear_terminal();
  send_to_loader(kMonitorCheck);
}

void SflashForm::Command2_Click() {
  flash_halt = true;
}

void SflashForm::exit_flash_Click() {
  leave_window();
  hide();
}

void SflashForm::Timer1_Timer() {
  show_loader_output();
}

void SflashForm::on_query_unload(bool& cancel) {
  if (!transfer_running_) return;
  // Closing during a transfer halts it; the window closes once the transfer has ended.
  cancel = true;
  flash_halt = true;
  close_after_transfer_ = true;
}

void SflashForm::on_unload() {
  leave_window();
}

void SflashForm::leave_window() {
  loader_port().close();
  current_view = kNoView;
  if (!ui::program_ending()) FrmEcu().show();
}

bool SflashForm::take_over_comm_port() {
  while (comm_port().is_open()) {
    // Whatever the controller still sent to the main window is of no use here.
    comm_port().bytes_waiting();
    comm_port().read_all();
    yield_to_message_loop();
    close_comm_port();
    yield_to_message_loop();
  }
  LoaderPort& port = loader_port();
  if (port.is_open()) return true;
  std::string error;
  if (!port.open(com_port, &error)) {
    ui::msg_box("The flash utility cannot open COM" + std::to_string(com_port) + " (" + error +
                    "). Close any program that uses the port and try again.",
                ui::MsgButtons::ok, ui::MsgIcon::exclamation);
    return false;
  }
  // However the program ends, the line is given back.
  ui::add_shutdown_step([] { loader_port().close(); });
  caption_suffix = " ->COM" + std::to_string(com_port);
  return true;
}

void SflashForm::show_loader_output() {
  LoaderPort& port = loader_port();
  if (!port.is_open()) return;
  const std::optional<std::string> input = port.read_waiting();
  if (!input || input->empty()) return;
  for (const char character : *input) {
    switch (character) {
      case '\n':
        break;
      case '\r':
        terminal_new_line();
        break;
      case kLoaderReady:
        terminal_print(std::string_view(&character, 1));
        loader_ready = true;
        break;
      case kLoaderError:
        flash_error = true;
        terminal_print(std::string_view(&character, 1));
        break;
      default:
        // The count wraps the line; only the wrap resets it, not a CR.
        terminal_print(std::string_view(&character, 1));
        if (++terminal_column >= kTerminalColumns) {
          terminal_new_line();
          terminal_column = 0;
        }
        break;
    }
  }
  redraw_terminal();
}

void SflashForm::Command1_Click() {
  if (transfer_running_) return;
  if (ui::msg_box(kWarning, ui::MsgButtons::ok_cancel) != ui::MsgResult::ok) return;
  if (!take_over_comm_port()) return;
  loader_ready = false;
  clear_terminal();
  send_to_loader(kMonitorCheck);
  delay_seconds(kReadyWaitSeconds);
  if (!loader_ready) {
    ui::msg_box(kNotReady);
    return;
  }

  ui::FileDialogRequest request;
  request.default_extension = "s";
  request.filter = "Setup Files (*.s)|";
  request.initial_name = kNoFileChosen;
  request.overwrite_prompt = false;
  const std::optional<std::string> path = ui::file_dialog(request);
  if (!path || path->empty() || *path == kNoFileChosen) return;
  const auto lines = ui::read_all_lines(*path);
  if (!lines) {
    ui::msg_box("The firmware file " + *path + " cannot be read. Nothing was sent.",
                ui::MsgButtons::ok, ui::MsgIcon::exclamation);
    return;
  }
  if (lines->empty()) {
    ui::msg_box("The firmware file " + *path + " is empty. Nothing was sent.", ui::MsgButtons::ok,
                ui::MsgIcon::exclamation);
    return;
  }

  Command1.set_enabled(false);
  clear_terminal();
  terminal_print("Flashing controller firmware.");
  terminal_new_line();
  terminal_print("Please stand by.");
  terminal_new_line();
  redraw_terminal();
  exit_flash.set_enabled(false);
  Command3.set_enabled(false);
  Command2.set_enabled(true);

  transfer_running_ = true;
  run_transfer(*lines);
  transfer_running_ = false;

  if (flash_error) ui::msg_box(kFlashFailed);
  exit_flash.set_enabled(true);
  Command3.set_enabled(true);
  Command2.set_enabled(false);
  Command1.set_enabled(true);
  if (close_after_transfer_) {
    close_after_transfer_ = false;
    unload();
  }
}

void SflashForm::run_transfer(const std::vector<std::string>& lines) {
  flash_error = !take_over_comm_port();
  flash_halt = false;
  // 32 bits: a firmware file has more lines than a 16-bit count holds.
  Long line_count = 0;
  terminal_column = 0;
  // The first line goes out whole, without line end, and is not counted.
  if (!flash_error && !(wait_output_queue() && send_to_loader(lines.front()))) flash_error = true;
  for (std::size_t next = 1; !flash_error && next < lines.size(); ++next) {
    yield_to_message_loop();
    if (!wait_output_queue()) flash_error = true;
    if (flash_halt || ui::program_ending()) flash_error = true;
    if (flash_error) break;
    if (!send_line(lines[next])) {
      flash_error = true;
      break;
    }
    if (line_delay_box.value() == ui::CheckBox::checked) delay_seconds(delay_setting(line_dly));
    ++line_count;
    lines_sent.set_caption(ui::str_integer(line_count));
    yield_to_message_loop();
  }
  // The loader's answer to the last line comes after it was sent.
  if (!flash_error) {
    delay_seconds(kLastAnswerWaitSeconds);
    show_loader_output();
  }
}

bool SflashForm::send_line(const std::string& line) {
  if (char_delay_box.value() != ui::CheckBox::checked) return send_to_loader(line);
  for (const char character : line) {
    if (!send_to_loader(std::string_view(&character, 1))) return false;
    delay_seconds(delay_setting(char_dly));
  }
  if (!send_to_loader(kLineEnd)) return false;
  delay_seconds(delay_setting(char_dly));
  return true;
}

bool SflashForm::send_to_loader(std::string_view bytes) {
  StallWatch watch;
  while (!bytes.empty()) {
    const std::optional<std::size_t> taken = loader_port().write_some(bytes);
    if (!taken) return false;
    if (*taken > 0) {
      bytes.remove_prefix(*taken);
      watch.progressed();
    } else if (!watch.wait_step()) {
      return false;
    }
  }
  return true;
}

bool SflashForm::wait_output_queue() {
  StallWatch watch;
  std::optional<std::size_t> queued = loader_port().output_queue_count();
  while (queued && *queued > kOutputQueueLimit) {
    if (!watch.wait_step()) return false;
    const std::optional<std::size_t> now = loader_port().output_queue_count();
    if (now && *now < *queued) watch.progressed();
    queued = now;
  }
  return queued.has_value();
}

void SflashForm::clear_terminal() {
  terminal_lines_.assign(1, std::string());
  redraw_terminal();
}

void SflashForm::terminal_print(std::string_view text) {
  terminal_lines_.back() += text;
}

void SflashForm::terminal_new_line() {
  terminal_lines_.emplace_back();
  // Only the newest lines can be seen; a long transfer must not make every redraw slower.
  if (terminal_lines_.size() > kKeptTerminalLines) terminal_lines_.erase(terminal_lines_.begin());
}

void SflashForm::redraw_terminal() {
  terminal.cls();
  // Clear of the sunken border.
  float top = kTerminalMargin;
  for (const std::string& line : terminal_lines_) {
    if (!line.empty()) {
      terminal.set_current_point(kTerminalMargin, top);
      terminal.print(line);
    }
    top += kTerminalLineHeight;
  }
}

}  // namespace ecu
