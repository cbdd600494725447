#include "maps/frm_autotune.hpp"

#include <array>
#include <cmath>
#include <optional>

#include "decode/cell_index.hpp"
#include "maps/frm_3d.hpp"
#include "shell/view_commands.hpp"
#include "ui/format.hpp"
#include "ui/number_parse.hpp"
#include "ui/rounding.hpp"
#include "ui/text_file.hpp"
#include "views/data_log.hpp"

namespace ecu {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr int kMapCells = 16;

// The change of a field since the previous record; every previous value starts at 0.
struct Previous {
  double cpu_t = -1;  // no previous record yet
  double rpm = 0, lambda = 0, tps = 0, map = 0;
};

std::optional<Single> single_of(double value) {
  if (!ui::fits_single(value)) return std::nullopt;
  return static_cast<Single>(value);
}

// Each takes one field's value into the record; false for a value that cannot be held.
using FieldTaker = bool (*)(double value, Previous& previous, AutotuneRecord& record);

bool take_single(double value, Single& into) {
  const std::optional<Single> single = single_of(value);
  if (single) into = *single;
  return single.has_value();
}

bool take_change(double value, double& previous, Single& into) {
  const double difference = value - previous;
  previous = value;
  return take_single(difference, into);
}

bool take_cell(double value, std::int16_t& into) {
  const std::optional<std::int16_t> cell = ui::round_to_int16(value);
  if (cell) into = *cell;
  return cell.has_value();
}

struct FieldReader {
  const char* column;  // as the data log's writer names it
  FieldTaker take;
};

// The data log columns the evaluation takes; the others are read past.
// clang-format off
constexpr std::array<FieldReader, 14> kReaders{{
    {"CPU_T", [](double value, Previous& previous, AutotuneRecord& record) {
       double dt = previous.cpu_t < 0 ? 0.0 : value - previous.cpu_t;
       // Midnight passed between the two records.
       if (dt < 0) dt += kSecondsPerDay;
       previous.cpu_t = value;
       return take_single(dt, record.dt);
     }},
    {"RPM",      [](double v, Previous& p, AutotuneRecord& r) { return take_change(v, p.rpm, r.rpm_change); }},
    {"A/F",      [](double v, Previous& p, AutotuneRecord& r) { return take_change(v, p.lambda, r.lambda_change); }},
    {"TPS",      [](double v, Previous& p, AutotuneRecord& r) { return take_change(v, p.tps, r.tps_change); }},
    {"MAP",      [](double v, Previous& p, AutotuneRecord& r) { return take_change(v, p.map, r.map_change); }},
    {"CORR",     [](double v, Previous&, AutotuneRecord& r) { return take_single(v, r.corr); }},
    {"EGO_SP",   [](double v, Previous&, AutotuneRecord& r) { return take_single(v, r.ego_sp); }},
    {"MAP_C",    [](double v, Previous&, AutotuneRecord& r) { return take_cell(v, r.map_cell); }},
    {"MAP_R",    [](double v, Previous&, AutotuneRecord& r) { return take_single(v, r.map_remainder); }},
    {"RPM_C",    [](double v, Previous&, AutotuneRecord& r) { return take_cell(v, r.rpm_cell); }},
    {"RPM_R",    [](double v, Previous&, AutotuneRecord& r) { return take_single(v, r.rpm_remainder); }},
    {"TPS_C",    [](double v, Previous&, AutotuneRecord& r) { return take_cell(v, r.tps_cell); }},
    {"TPS_R",    [](double v, Previous&, AutotuneRecord& r) { return take_single(v, r.tps_remainder); }},
    {"TPS_PCNT", [](double v, Previous&, AutotuneRecord& r) { return take_single(v, r.tps_pcnt); }},
}};
// clang-format on

// The record is complete once this column is read.
constexpr const char* kLastTakenColumn = "TPS_PCNT";

// The reader of each field of a row, by its field number (from 1), from the log's own
// column table.
const std::array<FieldTaker, kDataLogFields + 1>& takers_by_field() {
  static const auto takers = [] {
    std::array<FieldTaker, kDataLogFields + 1> by_field{};
    for (const FieldReader& reader : kReaders) {
      by_field.at(static_cast<std::size_t>(data_log_field_number(reader.column))) = reader.take;
    }
    by_field[0] = nullptr;
    return by_field;
  }();
  return takers;
}

}  // namespace

LogReadResult read_autotune_log(const std::string& path,
                                const std::function<void(const AutotuneRecord&)>& each_record) {
  ui::TextFileReader file;
  if (!file.open(path)) return LogReadResult::cannot_open;
  std::optional<std::string> line;
  for (int number = 1; number <= 3; ++number) {
    if (!(line = file.read_line())) return LogReadResult::broken_off;
  }
  if (*line != kDataLogVersion) return LogReadResult::incompatible;
  if (!file.read_line()) return LogReadResult::broken_off;
  const auto& takers = takers_by_field();
  const int last_taken = data_log_field_number(kLastTakenColumn);
  Previous previous;
  while (!file.at_end()) {
    AutotuneRecord record;
    for (int column = 1; column <= kDataLogFields; ++column) {
      const std::optional<std::string> field = file.read_field();
      if (!field) return LogReadResult::broken_off;
      const FieldTaker take = takers.at(static_cast<std::size_t>(column));
      if (take != nullptr && !take(ui::leading_number(*field), previous, record)) {
        return LogReadResult::broken_off;
      }
      if (column == last_taken) each_record(record);
    }
  }
  return LogReadResult::read;
}

FrmAutotuneForm::FrmAutotuneForm() : ui::Form("frm_autotune", "Autotune", 11400, 7200) {
  lay_out();
  reset_autotune_params.on_click = [this] { reset_autotune_params_Click(); };
  apply_to_maps.on_click = [this] { apply_to_maps_Click(); };
  Command3d1.on_click = [this] { Command3d1_Click(); };
  menu_load_logfile.on_click = [this] { menu_load_logfile_Click(); };
}

void FrmAutotuneForm::lay_out() {
  Command3d1.move(120, 120, 615, 615);
  set_up_exit_button(Command3d1);
  diags_tab.move(900, 120, 9960, 4800);
  diags_tab.set_tab_caption(0, "Injection Map");
  diags_tab.set_tab_caption(1, "TPS Map");
  constexpr float kTwipsPerPixel = 15;
  int page = 0;
  for (ui::Grid* grid : {&autotune_inj_factors, &autotune_tps_factors}) {
    grid->place_in(diags_tab, page++);
    grid->move(240, 480, 16 * 38 * kTwipsPerPixel + 60, 16 * 16 * kTwipsPerPixel + 60);
    grid->set_column_width(0, 0);
    grid->set_row_height(0, 0);
    for (int cell = 1; cell <= kMapCells; ++cell) {
      grid->set_column_width(cell, 38 * kTwipsPerPixel);
      grid->set_row_height(cell, 16 * kTwipsPerPixel);
    }
    grid->set_tool_tip(
        "This 3D map allows you to configure gain multipliers, which are applied to the MAP/TPS "
        "sensor as the engine load indicator.  Values greater than 1 will inject more fuel, "
        "values less than 1 will inject less fuel.");
  }
  constexpr float kRowTop = 5100, kRowStep = 360;
  Text2.move(3000, kRowTop, 900, 285);
  Text2.set_text("0.05");
  Text1.move(3000, kRowTop + kRowStep, 900, 285);
  Text1.set_text("50.0");
  map_stability_criteria.move(3000, kRowTop + 2 * kRowStep, 900, 285);
  map_stability_criteria.set_text("3.0");
  captions_.beside(Text2, "Lambda Stability critieria", "Lambda/Sec");
  captions_.beside(Text1, "RPM Stability critieria", "RPM/Sec");
  captions_.beside(map_stability_criteria, "MAP Stability critieria", "KPa/Sec");
  datapts_accepted.move(7200, kRowTop, 900, 285);
  datapts_rejected.move(7200, kRowTop + kRowStep, 900, 285);
  captions_.beside(datapts_accepted, "Datapoints Accepted");
  captions_.beside(datapts_rejected, "Datapoints Rejected");
  reset_autotune_params.move(8700, kRowTop, 1800, 375);
  reset_autotune_params.set_caption("Reset Autotune");
  apply_to_maps.move(8700, kRowTop + 480, 1800, 375);
  apply_to_maps.set_caption("Apply to maps");
  menu_load_logfile.set_caption("&Load Logfile");
  menu_realtime_capture.set_caption("&Realtime Capture");
  menu_realtime_capture_start.set_caption("&Start");
  menu_realtime_capture_halt.set_caption("&Halt");
}

void FrmAutotuneForm::on_load() {
  reset_autotune_data();
}

void FrmAutotuneForm::reset_autotune_data() {
  for (Integer i = 0; i < kCells; ++i) {
    autotune_inj_factors.set_cell_text(map_cell_row(i), map_cell_col(i), "");
    autotune_tps_factors.set_cell_text(map_cell_row(i), map_cell_col(i), "");
  }
  inj_sample_count_.fill(0);
  tps_sample_count_.fill(0);
  for (auto& samples : inj_samples_) samples.fill(0);
  for (auto& samples : tps_samples_) samples.fill(0);
}

void FrmAutotuneForm::reset_autotune_params_Click() {
  reset_autotune_data();
}

void FrmAutotuneForm::apply_to_maps_Click() {
  Frm3dForm& maps = frm_3d();
  const std::pair<ui::Grid*, ui::Grid*> pairs[] = {
      {&autotune_inj_factors, &maps.inj_map},
      {&autotune_tps_factors, &maps.TPS_map},
  };
  for (Integer i = 0; i < kCells; ++i) {
    const int row = map_cell_row(i);
    const int col = map_cell_col(i);
    for (const auto& [factors, map] : pairs) {
      const std::string& text = factors->cell_text(row, col);
      if (text.empty() || text == "X" || text == "x") continue;
      const double factor = ui::leading_number(text);
      const double shown = ui::leading_number(map->cell_text(row, col));
      if (!ui::fits_single(factor) || !ui::fits_single(shown)) continue;
      const Single product = static_cast<Single>(factor) * static_cast<Single>(shown);
      // A product beyond single precision would be written as Inf: the cell keeps its value.
      if (!std::isfinite(product)) continue;
      // Marked and sent also when the product shows as the cell did (a factor of 1.0).
      map->write_cell_text(row, col, ui::format_single(product, "0.000"));
    }
  }
}

void FrmAutotuneForm::menu_load_logfile_Click() {
  ui::FileDialogRequest request;
  request.default_extension = "csv";
  request.filter = "Setup Files (*.csv)|*.csv";
  request.initial_name = "*.CSV";
  request.overwrite_prompt = false;
  const std::optional<std::string> chosen = ui::file_dialog(request);
  if (!chosen || chosen->empty() || *chosen == "*.CSV") return;
  switch (read_autotune_log(*chosen,
                            [this](const AutotuneRecord& record) { autotune_routine(record); })) {
    case LogReadResult::cannot_open:
      ui::msg_box("The log file " + *chosen + " cannot be opened.", ui::MsgButtons::ok,
                  ui::MsgIcon::exclamation);
      break;
    case LogReadResult::incompatible:
      ui::msg_box("Incompatible log file for this version of Autotune");
      break;
    case LogReadResult::read:
    case LogReadResult::broken_off:
      break;
  }
}

void FrmAutotuneForm::autotune_routine(const AutotuneRecord& record) {
  // No evaluation yet turns records into factors; the factors the user typed stay as they are.
  static_cast<void>(record);
}

void FrmAutotuneForm::leave() {
  hide();
  frm_3d().show();
}

void FrmAutotuneForm::Command3d1_Click() {
  leave();
}

void FrmAutotuneForm::on_unload() {
  leave();
}

void open_autotune() {
  frm_3d().hide();
  frm_autotune().show_modal();
}

}  // namespace ecu
