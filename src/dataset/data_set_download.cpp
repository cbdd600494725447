#include "dataset/data_set_download.hpp"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "dataset/data_set_format.hpp"
#include "dataset/data_set_transfer.hpp"
#include "link/comm_link.hpp"
#include "link/receive_framer.hpp"
#include "model/shared_state.hpp"
#include "ui/atomic_file_writer.hpp"
#include "ui/form.hpp"
#include "ui/presenter.hpp"

namespace ecu {
namespace {

// The settings reads, in the order they go out after the link check. The phase masks of the
// injectors are read twice, as the controller's own tools do.
constexpr auto kSettingsReads = std::to_array<std::string_view>({
    // clang-format off
    "read_base_config", "read_fuel_params", "read_ego_cut", "read_ego_gain",
    "read_ego_a_lo", "read_ego_a_hi", "read_tps_rpm", "read_hot_p_pw",
    "read_num_pulses_hot", "read_cld_p_pw", "read_num_pulses_cold", "read_tmp_thrs",
    "read_injp", "read_iac_clos", "read_iac_open", "read_iac_tpse",
    "read_iac_tpsc", "read_iac_maxr", "read_iac_errr", "read_iac_dead",
    "read_ign_tdwl", "read_phbt", "read_ignp", "read_injp",
    "read_ign_mdeg", "read_ph_used", "read_tdc_trim", "read_base_deg",
    "read_tdc_teth", "read_gpos", "read_gpov", "read_tach_ph",
    "read_lim_deg", "read_ego_config", "read_tps_cal", "read_rpms",
    "read_boost_params", "read_tps_ego", "read_tps_enr", "read_max_map",
    "read_rps_ratios", "read_ggpo", "read_wrpm_scl", "read_rli_sft1",
    "read_rli_sft2", "read_rli_hrd1", "read_rli_hrd2", "read_rlf_hrd1",
    "read_rlf_hrd2", "read_f_cut_t1", "read_f_cut_t2", "read_stut",
    "read_idl_by_i", "read_idl_maxr", "read_idl_maxa", "read_crk_rpmh",
    "read_crk_degn", "read_crk_pegn", "read_crk_etmr", "read_crk_tdeg",
    "read_fshf_deg", "read_fshf_ctm", "read_fshf_rtm", "read_inpt_cgf",
    "read_idl_drpm", "read_rpm_accl", "read_sensor_cal",
    // clang-format on
});
// Every settings read but the last takes a progress step.
constexpr int kSettingsReadSteps = static_cast<int>(kSettingsReads.size()) - 1;

// The file being written: a temporary file of its own beside the chosen one, renamed over it
// only when complete, removed otherwise. The program may end from inside a request
// ("Terminate" ends it without unwinding), so the removal is also one of its shutdown steps.
class DataSetFileWriter {
 public:
  explicit DataSetFileWriter(std::string path)
      : file_(std::make_shared<ui::AtomicFileWriter>(std::move(path))) {}

  bool open() {
    ui::add_shutdown_step([weak = std::weak_ptr<ui::AtomicFileWriter>(file_)] {
      if (const auto file = weak.lock()) file->discard();
    });
    return file_->open();
  }
  bool write_line(const std::string& line) { return file_->write_line(line); }
  // Closes the file and gives it the chosen name; false (and error()) when that fails.
  bool commit() { return file_->commit(); }
  // Why the last step failed.
  [[nodiscard]] std::string error() const { return file_->error(); }
  // The writer's sentence naming the files of its temporary naming that it left beside.
  [[nodiscard]] std::string notice() const { return file_->notice(); }

 private:
  std::shared_ptr<ui::AtomicFileWriter> file_;
};

// One run from the save dialog on. Each step returns the message that ends the run, or
// nothing to go on; an empty message ends it silently (the program is ending).
class DataSetDownload {
 public:
  DataSetDownload(DataSetTransferScope& scope, std::string path)
      : scope_(scope),
        path_(std::move(path)),
        file_(path_),
        file_existed_(std::filesystem::exists(path_, existence_error_)) {}

  // The run's message, with the files the writer left beside the chosen one named at its end,
  // so that a user who finds them knows what they are.
  std::optional<std::string> run() {
    const std::optional<std::string> message = run_to_the_end();
    const std::string notice = file_.notice();
    // An empty message is the program ending: nothing is shown.
    if (notice.empty() || (message && message->empty())) return message;
    return message.value_or(path_ + " is written.") + "\n" + notice;
  }

 private:
  std::optional<std::string> run_to_the_end() {
    scope_.show_wait("ECU->" + path_);
    // Opened before the first read, so that a file that cannot be replaced is refused
    // before the controller is asked for anything.
    if (!file_.open()) return cannot_write();
    total_steps_ = total_steps();
    bool settings_read = false;
    for (const DataSetRow& row : data_set_table()) {
      if (row.layout != LineLayout::version && !settings_read) {
        if (auto stop = read_settings()) return stop;
        settings_read = true;
      }
      if (auto stop = write_row(row)) return stop;
    }
    if (!file_.commit()) return cannot_write();
    return std::nullopt;
  }

  // The chosen name, as the user knows it (a symbolic link's own), and the writer's reason.
  [[nodiscard]] std::string cannot_write() const {
    return "Cannot write " + path_ + ": " + file_.error();
  }

  static double total_steps() {
    double steps = kSettingsReadSteps;
    for (const DataSetRow& row : data_set_table()) {
      steps += row.progress_steps;
      if (row.layout == LineLayout::memory_table) steps += data_set_entry_count(row);
    }
    return steps;
  }

  void step(int count = 1) {
    steps_done_ += count;
    scope_.show_progress(steps_done_, total_steps_);
  }

  std::optional<std::string> read_settings() {
    for (std::size_t k = 0; k < kSettingsReads.size(); ++k) {
      const CommandInfo& command = data_set_command(kSettingsReads[k]);
      if (auto stop = read(command, data_set_request(command, 0, 0), command.name)) return stop;
      if (static_cast<int>(k) < kSettingsReadSteps) step();
    }
    return std::nullopt;
  }

  std::optional<std::string> write_row(const DataSetRow& row) {
    const int entries = data_set_entry_count(row);
    const bool memory_layout = row.layout == LineLayout::memory_table;
    if (memory_layout && row.source == LineSource::elements) {
      const CommandInfo& command = data_set_command(row.read_request);
      if (auto stop = read(command, data_set_request(command, 0, 0), row.key)) return stop;
    }
    for (int index = 0; index < entries; ++index) {
      if (row.source == LineSource::memory) {
        const CommandInfo& command = data_set_command(row.read_request);
        const std::string request =
            data_set_request(command, data_set_memory_address(row, index), 0);
        if (auto stop = read(command, request, entry_name(row, index))) return stop;
      }
      if (!file_.write_line(data_set_line(row, index))) return cannot_write();
      if (memory_layout) step();
    }
    if (row.progress_steps > 0) step(row.progress_steps);
    return std::nullopt;
  }

  static std::string entry_name(const DataSetRow& row, int index) {
    std::string line = data_set_line(row, index);
    return line.substr(0, line.find('='));
  }

  // Sends a read until its reply answers it (the link takes no other). "Try Again" asks
  // again; no reply at all after demo mode or abort was chosen stops the run, so that no line
  // ever carries a value the controller did not send.
  std::optional<std::string> read(const CommandInfo& command, const std::string& request,
                                  std::string_view what) {
    while (true) {
      const std::int64_t unanswered_before = unanswered_reply_count();
      switch (exchange_request(command, request)) {
        case Exchange::answered:
        case Exchange::refused:
          return std::nullopt;
        case Exchange::try_again:
          continue;
        case Exchange::stopped:
          // Frames that came but answered something else are told from silence.
          if (unanswered_reply_count() != unanswered_before) {
            return stopped("The controller's replies to the request for " + std::string(what) +
                           " did not answer it");
          }
          return stopped("The controller did not answer the request for " + std::string(what));
        case Exchange::ending:
          return std::string();
      }
    }
  }

  std::string stopped(const std::string& reason) const {
    const std::string unchanged = file_existed_
                                      ? "No file was written: " + path_ + " is as it was before."
                                      : "No file was written.";
    return reason + ", so the download was stopped.\n" + unchanged;
  }

  DataSetTransferScope& scope_;
  std::string path_;
  DataSetFileWriter file_;
  std::error_code existence_error_;
  bool file_existed_;
  double steps_done_ = 0;
  double total_steps_ = 0;
};

// Everything up to the end of the run; the message to show once the console is released.
std::string run_download(DataSetTransferScope& scope) {
  if (demo_mode == kTrue) return kDataSetDemoMessage;
  tx_byte_counts[1] = 0;
  rx_byte_counts[1] = 0;
  open_comm_link();
  // Demo mode chosen in the port dialog is demo mode: nothing is sent, no stale reply
  // flag is taken for an answer.
  if (demo_mode == kTrue) return kDataSetDemoMessage;
  const CommandInfo& revision = data_set_command("read_firmware_revision");
  const Exchange link_check = exchange_request(revision, data_set_request(revision, 0, 0));
  if (link_check == Exchange::ending) return {};
  if (link_check != Exchange::answered) return kDataSetSilentMessage;

  const std::string path = chosen_data_set_file(true);
  if (path.empty()) return {};
  DataSetDownload download(scope, path);
  return download.run().value_or(std::string());
}

}  // namespace

void download_data_set() {
  std::string message;
  {
    DataSetTransferScope scope;
    message = run_download(scope);
  }
  if (!message.empty() && !ui::program_ending()) ui::msg_box(message);
}

}  // namespace ecu
