#include "views/frm_plotter.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "link/poll_inhibit.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/view_commands.hpp"
#include "ui/format.hpp"
#include "ui/text_file.hpp"
#include "views/data_log.hpp"

namespace ecu {

namespace {

struct ChannelDesign {
  const char* caption;
  ui::Colour colour;
};

// Design captions and trace colours of the 21 channels, in channel order.
constexpr std::array<ChannelDesign, FrmPlotterForm::kChannels> kChannelDesign{{
    {"RPM [0 to Max RPM]", ui::rgb(0xFF, 0xFF, 0x00)},
    {"Air Fuel [0.6 to 1.4 lamda]", ui::rgb(0x80, 0x80, 0xFF)},
    {"Coolant [0 to 125 \xB0"
     "C]",
     ui::rgb(0xFF, 0x00, 0x00)},
    {"TPS [0 to 100%]", ui::rgb(0x00, 0x80, 0x80)},
    {"Manifold Pressure", ui::rgb(0x80, 0xFF, 0xFF)},
    {"Air Temp [0 to 125 \xB0"
     "C]",
     ui::rgb(0xC0, 0x00, 0xC0)},
    {"Inj PW [0 to 25 ms]", ui::rgb(0xFF, 0x80, 0x00)},
    {"EGO Correction [0 to 2]", ui::rgb(0x00, 0x80, 0x00)},
    {"IGN Timing [-50\xB0 to +50\xB0]", ui::rgb(0xFF, 0xC0, 0xC0)},
    {"#1 Inj Duty [0 to 100%]", ui::rgb(0xC0, 0xC0, 0x00)},
    {"#1 Ign Duty [0 to 100%]", ui::rgb(0xC0, 0xFF, 0xC0)},
    {"WDB Tooth [0 to 255]", ui::rgb(0xFF, 0xC0, 0x80)},
    {"GPO#1 Duty [0 to 100%]", ui::rgb(0xDE, 0xEE, 0xBD)},
    {"GPO#2 Duty [0 to 100%]", ui::rgb(0xFC, 0xD7, 0xBE)},
    {"GPO#3 Duty [0 to 100%]", ui::rgb(0xFF, 0x9F, 0x9F)},
    {"GPO#4 Duty [0 to 100%]", ui::rgb(0x80, 0x80, 0x00)},
    {"WB Feedback V", ui::rgb(0xFF, 0xFF, 0x00)},
    {"WB Pump Current", ui::rgb(0xFF, 0x00, 0x00)},
    {"WB Pump DAC", ui::rgb(0xFF, 0xFF, 0xFF)},
    {"WB Heater Temp", ui::rgb(0x00, 0xFF, 0x00)},
    {"WB Heater PW", ui::rgb(0x80, 0x80, 0xFF)},
}};

// The channels whose traces show when the window first opens.
constexpr int kChannelsShownAtStart = 4;

struct LogInterval {
  const char* caption;
  int interval_ms;
};

constexpr std::array<LogInterval, FrmPlotterForm::kIntervals> kLogIntervals{{
    {"100 mS&econds", 100},
    {"250 &mSeconds", 250},
    {"500 m&Seconds", 500},
    {"&1 Second", 1000},
    {"&2 Seconds", 2000},
    {"&5 Seconds", 5000},
    {"1&0 Seconds", 10000},
    {"&Fast as the com will allow", 1},
}};
constexpr int kIntervalCheckedAtStart = 3;
constexpr const char* kDefaultLogName = "PLOTTER.CSV";
constexpr Integer kLogging = 1;
constexpr int kFastestItem = 7;

}  // namespace

FrmPlotterForm::FrmPlotterForm() : ViewForm("frm_plotter", "DATA PLOTTER", 12000, 9600) {
  lay_out();
  build_menus();
  Command3d1.on_click = [this] { Command3d1_Click(); };
  Check3d1.on(&ui::CheckBox::on_click, [this](int index) { Check3d1_Click(index); });
  Command3d2.on_click = [this] { Command3d2_Click(); };
  Command3d3.on_click = [this] { Command3d3_Click(); };
  plot_file.on_double_click = [this] { plot_file_DblClick(); };
  Strip1.on_click = [this] { Strip1_Click(); };
}

void FrmPlotterForm::lay_out() {
  Command3d1.move(120, 120, 615, 615);
  set_up_exit_button(Command3d1);

  lay_out_demo_label(show_demo_mode, 4200, 120, 4200, 495);

  for (int channel = 0; channel < kChannels; ++channel) {
    const ChannelDesign& design = kChannelDesign[static_cast<std::size_t>(channel)];
    ui::CheckBox& box = Check3d1[channel];
    box.move(120, 840.0F + 315.0F * static_cast<float>(channel), 3000, 285);
    box.set_caption(design.caption);
    box.set_fore_colour(design.colour);
    box.set_back_colour(ui::colours::black);
    box.set_tool_tip("Click the checkbox to enable or disable this channel on the chart recorder");
  }

  Strip1.move(3240, 840, 8520, 6600);
  Strip1.set_tool_tip("Left click to timestamp chart");

  File_Samples.move(3240, 7560, 1500, 285);
  File_Samples.set_caption("N/A");
  captions_.beside(File_Samples, "File Samples");
  skip_graphics.move(6000, 7560, 3000, 285);
  skip_graphics.set_caption("Log to file only (no graph)");

  plot_file.move(3240, 8040, 3600, 285);
  plot_file.set_text(kDefaultLogName);
  plot_file.set_tool_tip("Double click me to specify a filename and location.");
  captions_.beside(plot_file, "Plotter File Name");
  Command3d2.move(7080, 7980, 1200, 405);
  Command3d2.set_caption("Start Log");
  Command3d2.set_tool_tip("Click to begin a data log file");
  Command3d3.move(8400, 7980, 1200, 405);
  Command3d3.set_caption("Stop Log");
  Command3d3.set_tool_tip("Click to halt a data log file");
  Command3d3.set_enabled(false);
}

void FrmPlotterForm::build_menus() {
  menufile.set_caption("&File");
  menufileexit.set_caption("e&xit");
  menufileexit.on_click = [this] { menufileexit_Click(); };

  menu_logging.set_caption("&Logging Interval");
  for (int item = 0; item < kIntervals; ++item) {
    menu_log_int[item].set_caption(kLogIntervals[static_cast<std::size_t>(item)].caption);
  }
  menu_log_int[kIntervalCheckedAtStart].set_checked(true);
  menu_log_int.on(&ui::MenuItem::on_click, [this](int index) { menu_log_int_Click(index); });
}

void FrmPlotterForm::on_load() {
  // The traces follow their boxes from the start.
  for (int channel = 0; channel < kChannels; ++channel) {
    Strip1.select_channel(channel);
    Strip1.set_channel_colour(Check3d1[channel].fore_colour());
    Check3d1[channel].set_value(channel < kChannelsShownAtStart ? ui::CheckBox::checked
                                                                : ui::CheckBox::unchecked);
    Check3d1_Click(channel);
  }
}

void FrmPlotterForm::on_activate() {
  const PollInhibitScope inhibit(0.1F, 0.1F);
  // A log may still run from before the window was left: its Stop Log must stay usable.
  show_logging_state();
  set_caption(caption_for_interval(FrmEcu().Timer3.interval()));
  ui::do_events();
  delay_seconds(0.5F);
  // The full-scale rpm and the pressure sensor's span scale channels 0 and 4.
  send_command("C");
  for (int channel = 0; channel < kChannels; ++channel) {
    Strip1.select_channel(channel);
    Strip1.set_channel_colour(Check3d1[channel].fore_colour());
  }
  Check3d1[0].set_caption("RPM [0 to " + ui::format_single(rpm_full_scale, "####0") + "]");
  Check3d1[4].set_caption("Manifold Prs. [0 to " + ui::format_single(map_sensor_gain, "##0") +
                          " kPa]");
}

void FrmPlotterForm::show_logging_state() {
  const bool logging = logging_active != 0;
  Command3d2.set_enabled(!logging);
  Command3d3.set_enabled(logging);
  plot_file.set_enabled(!logging);
}

void FrmPlotterForm::Command3d2_Click() {
  if (logging_active != 0) {
    ui::msg_box("But you are already logging, You must halt to begin a new log");
    return;
  }
  const std::string name = plot_file.text();
  const bool confirmed = !confirmed_file_name_.empty() && name == confirmed_file_name_;
  confirmed_file_name_.clear();
  // A log is never replaced unasked.
  if (!confirmed && ui::file_exists(name) &&
      ui::msg_box(name + " already exists. Do you want to replace it?", ui::MsgButtons::yes_no,
                  ui::MsgIcon::exclamation, 1) != ui::MsgResult::yes) {
    return;
  }
  // The file first: nothing counts as logging until it is open.
  const std::string error = open_data_log(name);
  if (!error.empty()) {
    ui::msg_box("The data log could not be created: " + error + ". Logging has not started.",
                ui::MsgButtons::ok, ui::MsgIcon::exclamation);
    return;
  }
  log_file_name = name;
  log_file_num = 1;
  log_sample_count = 0;
  logging_active = kLogging;
  show_logging_state();
}

void FrmPlotterForm::Command3d3_Click() {
  if (logging_active != kLogging) {
    ui::msg_box("But logging has not been started");
  } else {
    const std::string error = close_data_log();
    logging_active = 0;
    if (!error.empty()) {
      ui::msg_box("The data log could not be completed: " + error + ".", ui::MsgButtons::ok,
                  ui::MsgIcon::exclamation);
    }
  }
  show_logging_state();
}

void FrmPlotterForm::logging_failed(const std::string& reason) {
  close_data_log();
  logging_active = 0;
  show_logging_state();
  ui::msg_box("Writing to the data log failed: " + reason + ". Logging has been stopped.",
              ui::MsgButtons::ok, ui::MsgIcon::exclamation);
}

void FrmPlotterForm::plot_file_DblClick() {
  if (!plot_file.enabled()) return;
  ui::FileDialogRequest request;
  request.save = true;
  request.default_extension = "csv";
  request.filter = "comma spaced value (*.csv)|";
  request.initial_name = "*.CSV";
  request.overwrite_prompt = true;
  const std::optional<std::string> chosen = ui::file_dialog(request);
  if (!chosen || chosen->empty() || *chosen == "*.CSV") return;
  plot_file.set_text(*chosen);
  confirmed_file_name_ = *chosen;
}

void FrmPlotterForm::Strip1_Click() {
  const double now = ui::clock().seconds_since_midnight();
  const double whole_seconds = std::floor(now);
  // Truncated to hundredths (with room for the binary tail of .29 and the like), so a
  // fraction of .999 stays .99 instead of rounding up into "1.".
  const double hundredths = std::min(99.0, std::floor((now - whole_seconds) * 100.0 + 1e-6));
  Strip1.add_text_mark(time_of_day_text(whole_seconds) +
                       ui::format_number(hundredths / 100.0, ".##"));
}

void FrmPlotterForm::Command3d1_Click() {
  close_command();
}

void FrmPlotterForm::menufileexit_Click() {
  Command3d1_Click();
}

void FrmPlotterForm::on_form_unload() {
  set_caption("");
  if (logging_active == kLogging) {
    ui::msg_box("Logging will be halted prior to exit");
    Command3d3_Click();
    logging_active = 0;
    // No pass before the window leaves: the poll would tick in it, and a request to a slow
    // controller would hold the halted plotter on the screen after OK.
  }
}

void FrmPlotterForm::Check3d1_Click(int index) {
  if (!Check3d1.contains(index)) return;
  Strip1.select_channel(index);
  Strip1.set_channel_visible(Check3d1[index].value() != ui::CheckBox::unchecked);
}

int FrmPlotterForm::log_interval_ms(int index) {
  if (index < 0 || index >= kIntervals) return 0;
  return kLogIntervals[static_cast<std::size_t>(index)].interval_ms;
}

std::string FrmPlotterForm::caption_for_interval(int interval_ms) {
  // The chart shows 600 samples, which sets the length of its window.
  if (interval_ms <= 0) return "DATA PLOTTER";
  return "DATA PLOTTER    " + ui::str_double(1000.0 / interval_ms) + " Sample/Second, " +
         ui::str_double(interval_ms * 0.001 * 10) + " minute window";
}

void FrmPlotterForm::menu_log_int_Click(int index) {
  const int interval = log_interval_ms(index);
  if (interval == 0) return;
  ui::Timer& poll = FrmEcu().Timer3;
  poll.set_enabled(false);
  poll.set_interval(interval);
  ui::do_events();
  poll.set_enabled(true);
  for (int item = 0; item < kIntervals; ++item) menu_log_int[item].set_checked(item == index);
  set_caption(index == kFastestItem ? "DATA PLOTTER  Fast as Comm will allow"
                                    : caption_for_interval(interval));
}

}  // namespace ecu
