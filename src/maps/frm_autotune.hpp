#pragma once
// The autotune window: two 16 x 16 grids of correction factors, one for the fuel map and
// one for the TPS fuel map of the basic mapping window, each factor lining up with the map
// cell it multiplies. "Apply to maps" rewrites the map cells with the products (the map
// grids mark them yellow for the next Update); "&Load Logfile" reads a plotter data log
// record by record and hands each record to the evaluation.

#include <array>
#include <functional>
#include <string>

#include "model/basic_types.hpp"
#include "ui/caption_set.hpp"
#include "ui/ui.hpp"

namespace ecu {

// One data log record as the evaluation receives it: the time step, the changes since the
// previous record, and the operating point on the MAP, rpm and TPS axes.
struct AutotuneRecord {
  Single dt = 0;  // seconds; 0 for the first record
  Single map_change = 0, rpm_change = 0, tps_change = 0, lambda_change = 0;
  Single corr = 0, ego_sp = 0;
  Integer map_cell = 0;
  Single map_remainder = 0;
  Integer rpm_cell = 0;
  Single rpm_remainder = 0;
  Integer tps_cell = 0;
  Single tps_remainder = 0;
  Single tps_pcnt = 0;
};

enum class LogReadResult { read, cannot_open, incompatible, broken_off };

// Reads a data log, handing each record to `each_record` once its TPS_PCNT field is read.
// A log whose third line is not the format's version is refused before any record; a log
// that ends inside a record ends the read after the records before it.
LogReadResult read_autotune_log(const std::string& path,
                                const std::function<void(const AutotuneRecord&)>& each_record);

class FrmAutotuneForm : public ui::Form {
 public:
  FrmAutotuneForm();

  static constexpr int kCells = 256;
  static constexpr int kSamples = 100;

  ui::TabControl diags_tab{*this, "diags_tab", 2};
  ui::Grid autotune_inj_factors{*this, "autotune_inj_factors", 17, 17};
  ui::Grid autotune_tps_factors{*this, "autotune_tps_factors", 17, 17};
  ui::TextBox Text2{*this, "Text2"};                                    // lambda per second
  ui::TextBox Text1{*this, "Text1"};                                    // rpm per second
  ui::TextBox map_stability_criteria{*this, "map_stability_criteria"};  // kPa per second
  ui::Label datapts_accepted{*this, "datapts_accepted"};
  ui::Label datapts_rejected{*this, "datapts_rejected"};
  ui::CommandButton reset_autotune_params{*this, "reset_autotune_params"};
  ui::CommandButton apply_to_maps{*this, "apply_to_maps"};
  ui::CommandButton Command3d1{*this, "Command3d1"};  // exit

  ui::MenuItem menu_load_logfile{*this, "menu_load_logfile", nullptr};
  ui::MenuItem menu_realtime_capture{*this, "menu_realtime_capture", nullptr};
  ui::MenuItem menu_realtime_capture_start{*this, "menu_realtime_capture_start",
                                           &menu_realtime_capture};
  ui::MenuItem menu_realtime_capture_halt{*this, "menu_realtime_capture_halt",
                                          &menu_realtime_capture};

  void reset_autotune_data();
  void reset_autotune_params_Click();
  void apply_to_maps_Click();
  void menu_load_logfile_Click();
  // The evaluation of one record. It computes no factor: the grids hold what the user typed.
  void autotune_routine(const AutotuneRecord& record);
  void Command3d1_Click();

 protected:
  void on_load() override;
  void on_unload() override;

 private:
  void lay_out();
  void leave();

  std::array<Integer, kCells> inj_sample_count_{};
  std::array<Integer, kCells> tps_sample_count_{};
  std::array<std::array<Single, kSamples>, kCells> inj_samples_{};
  std::array<std::array<Single, kSamples>, kCells> tps_samples_{};
  // The captions beside the criteria and the counts; design text only.
  ui::CaptionSet captions_{*this, "caption_label"};
};

inline ui::FormInstance<FrmAutotuneForm> frm_autotune;

// The basic mapping window's "&Autotune": hides that window and shows this one modally.
void open_autotune();

}  // namespace ecu
