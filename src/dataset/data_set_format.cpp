#include "dataset/data_set_format.hpp"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "decode/memory_map.hpp"
#include "decode/reply_decoders.hpp"
#include "model/calibration_keys.hpp"
#include "model/shared_state.hpp"
#include "ui/format.hpp"

namespace ecu {
namespace {

using enum LineLayout;
using enum LineSource;
using enum FieldKind;

constexpr std::string_view kWide = "####0";
constexpr std::string_view kNarrow = "##0";

constexpr std::size_t kKeyColumns = 8;
constexpr std::size_t kTableNameColumns = 4;
constexpr std::size_t kIndexColumn = 5;  // 0-based: columns 6 to 8
constexpr std::size_t kIndexColumns = 3;
constexpr std::size_t kValueColumn = 10;  // 0-based: column 11
constexpr std::string_view kLinePadding = "     ";

// Key, layout, source, mask, read, write, wire values, download progress steps. The rows
// stand in file order: 3 version lines, 74 scalar lines, 17 fixed arrays (120 lines), 33
// memory-layout tables (1929 lines), 2126 lines in all. EGO_A_LO and EGO_A_HI are one-byte
// settings with a one-byte echo, as the controller's command table has them.
constexpr auto kDataSetTable = std::to_array<DataSetRow>({
    // clang-format off
    {"SET_REV", version, format_revision, kWide, "", "", word, 0},
    {"SW_REV", version, console_version, "", "", "", word, 0},
    {"FW_REV", version, firmware_revision, kWide, "read_firmware_revision", "", word, 0},

    {"ACC_SEN", scalar, variable, kWide, "read_base_config", "write_acc_sen", word, 0},
    {"ACC_RATE", scalar, variable, kWide, "read_base_config", "write_acc_rate", word, 0},
    {"ACC_MINP", scalar, variable, kWide, "read_fuel_params", "write_acc_minp", word, 0},
    {"ACC_MAXP", scalar, variable, kWide, "read_fuel_params", "write_acc_maxp", word, 0},
    {"EGO_CUT", scalar, variable, kWide, "read_ego_cut", "write_ego_cut", word, 0},
    {"MIN_PRES", scalar, variable, kWide, "read_base_config", "write_min_pres", word, 0},
    {"TRGS_REV", scalar, variable, kWide, "read_base_config", "write_trgs_rev", byte, 0},
    {"FS_RPM", scalar, full_scale_rpm, kWide, "read_base_config", "write_fs_rpm", word, 0},
    {"HOT_P_PW", scalar, variable, kWide, "read_hot_p_pw", "write_hot_p_pw", word, 0},
    {"HOT_#P", scalar, variable, kNarrow, "read_num_pulses_hot", "write_num_pulses_hot", byte, 0},
    {"CLD_P_PW", scalar, variable, kWide, "read_cld_p_pw", "write_cld_p_pw", word, 0},
    {"CLD_#P", scalar, variable, kNarrow, "read_num_pulses_cold", "write_num_pulses_cold", byte, 0},
    {"TMP_THRS", scalar, variable, kNarrow, "read_tmp_thrs", "write_tmp_thrs", byte, 0},
    {"EGO_RATE", scalar, variable, kWide, "read_base_config", "write_ego_rate", byte, 0},
    {"EGO_GAIN", scalar, variable, kWide, "read_ego_gain", "write_ego_gain", byte, 0},
    {"EGO_SECS", scalar, variable, kWide, "read_base_config", "write_ego_secs", word, 0},
    {"EGO_A_LO", scalar, variable, kWide, "read_ego_a_lo", "write_ego_a_lo", byte, 0},
    {"EGO_A_HI", scalar, variable, kWide, "read_ego_a_hi", "write_ego_a_hi", byte, 0},
    {"OPTIONS", scalar, variable, kNarrow, "read_base_config", "write_options", byte, 0},
    {"MAP_TYPE", scalar, variable, kNarrow, "read_base_config", "write_map_type", byte, 0},
    {"FUEL_B", scalar, variable, kWide, "read_fuel_params", "write_fuel_b", word, 0},
    {"FUEL_MX", scalar, variable, kWide, "read_fuel_params", "write_fuel_mx", word, 0},
    {"TPS_RPM", scalar, variable, kWide, "read_tps_rpm", "write_tps_rpm", word, 0},
    // From here on every scalar line takes a progress step.
    {"BAT_COMP", scalar, variable, kNarrow, "read_fuel_params", "write_bat_comp", byte, 1},
    {"IAC_CLOS", scalar, variable, kWide, "read_iac_clos", "write_iac_clos", word, 1},
    {"IAC_OPEN", scalar, variable, kWide, "read_iac_open", "write_iac_open", word, 1},
    {"IAC_TPSE", scalar, variable, kWide, "read_iac_tpse", "write_iac_tpse", word, 1},
    {"IAC_TPSC", scalar, variable, kWide, "read_iac_tpsc", "write_iac_tpsc", word, 1},
    {"IAC_MAXR", scalar, variable, kWide, "read_iac_maxr", "write_iac_maxr", word, 1},
    {"IAC_ERRR", scalar, variable, kWide, "read_iac_errr", "write_iac_errr", word, 1},
    {"IAC_DEAD", scalar, variable, kNarrow, "read_iac_dead", "write_iac_dead", byte, 1},
    {"IGN_TDWL", scalar, variable, kWide, "read_ign_tdwl", "write_ign_tdwl", word, 1},
    {"IGN_MDEG", scalar, variable, kNarrow, "read_ign_mdeg", "write_ign_mdeg", word, 1},
    {"TDC_TETH", scalar, variable, kWide, "read_tdc_teth", "write_tdc_teth", byte, 1},
    {"TDC_TRIM", scalar, variable, kWide, "read_tdc_trim", "write_tdc_trim", byte, 1},
    {"BASE_DEG", scalar, variable, kWide, "read_base_deg", "write_base_deg", byte, 1},
    {"PH_USED", scalar, variable, kWide, "read_ph_used", "write_ph_used", word, 1},
    {"TACH_PH", scalar, variable, kWide, "read_tach_ph", "write_tach_ph", word, 1},
    {"LIM_DEG", scalar, variable, kWide, "read_lim_deg", "write_lim_deg", word, 1},
    {"EGO_FLGS", scalar, variable, kWide, "read_ego_config", "write_ego_flgs", byte, 1},
    {"EGO_WBL0", scalar, variable, kWide, "read_ego_config", "write_ego_wbl0", byte, 1},
    {"EGO_WBL1", scalar, variable, kWide, "read_ego_config", "write_ego_wbl1", byte, 1},
    {"TPS_BASE", scalar, variable, kWide, "read_tps_cal", "write_tps_base", byte, 1},
    {"TPS_FS", scalar, variable, kWide, "read_tps_cal", "write_tps_fs", byte, 1},
    {"TPS_EGO", scalar, variable, kWide, "read_tps_ego", "write_tps_ego", byte, 1},
    {"TPS_ENR", scalar, variable, kWide, "read_tps_enr", "write_tps_enr", byte, 1},
    {"MAX_MAP", scalar, variable, kWide, "read_max_map", "write_max_map", word, 1},
    {"WRPM_SCL", scalar, variable, kWide, "read_wrpm_scl", "write_wrpm_scl", word, 1},
    {"RLI_SFT1", scalar, variable, kWide, "read_rli_sft1", "write_rli_sft1", word, 1},
    {"RLI_SFT2", scalar, variable, kWide, "read_rli_sft2", "write_rli_sft2", word, 1},
    {"RLI_HRD1", scalar, variable, kWide, "read_rli_hrd1", "write_rli_hrd1", word, 1},
    {"RLI_HRD2", scalar, variable, kWide, "read_rli_hrd2", "write_rli_hrd2", word, 1},
    {"RLF_HRD1", scalar, variable, kWide, "read_rlf_hrd1", "write_rlf_hrd1", word, 1},
    {"RLF_HRD2", scalar, variable, kWide, "read_rlf_hrd2", "write_rlf_hrd2", word, 1},
    {"F_CUT_T1", scalar, variable, kWide, "read_f_cut_t1", "write_f_cut_t1", byte, 1},
    {"F_CUT_T2", scalar, variable, kWide, "read_f_cut_t2", "write_f_cut_t2", byte, 1},
    {"IDL_BY_I", scalar, variable, kWide, "read_idl_by_i", "write_idl_by_i", byte, 1},
    {"IDL_MAXR", scalar, variable, kWide, "read_idl_maxr", "write_idl_maxr", byte, 1},
    {"IDL_MAXA", scalar, variable, kWide, "read_idl_maxa", "write_idl_maxa", byte, 1},
    {"CRK_RPMH", scalar, variable, kWide, "read_crk_rpmh", "write_crk_rpmh", word, 1},
    {"CRK_DEGN", scalar, variable, kWide, "read_crk_degn", "write_crk_degn", byte, 1},
    {"CRK_PEGN", scalar, variable, kWide, "read_crk_pegn", "write_crk_pegn", byte, 1},
    {"CRK_ETMR", scalar, variable, kWide, "read_crk_etmr", "write_crk_etmr", word, 1},
    {"CRK_TDEG", scalar, variable, kWide, "read_crk_tdeg", "write_crk_tdeg", byte, 1},
    {"FSHF_DEG", scalar, variable, kWide, "read_fshf_deg", "write_fshf_deg", byte, 1},
    {"FSHF_CTM", scalar, variable, kWide, "read_fshf_ctm", "write_fshf_ctm", byte, 1},
    {"FSHF_RTM", scalar, variable, kWide, "read_fshf_rtm", "write_fshf_rtm", byte, 1},
    {"INPT_CGF", scalar, variable, kWide, "read_inpt_cgf", "write_inpt_cgf", word, 1},
    {"RPM_ACCL", scalar, variable, kWide, "read_rpm_accl", "write_rpm_accl", byte, 1},
    {"IDL_DRPM", scalar, variable, kWide, "read_idl_drpm", "write_idl_drpm", word, 1},
    {"BAR_OFST", scalar, variable, kWide, "read_sensor_cal", "write_bar_ofst", byte, 1},
    {"BAR_SCLR", scalar, variable, kWide, "read_sensor_cal", "write_bar_sclr", word, 1},
    {"MAP_OFST", scalar, variable, kWide, "read_sensor_cal", "write_map_ofst", byte, 1},
    {"MAP_SCLR", scalar, variable, kWide, "read_sensor_cal", "write_map_sclr", word, 1},

    {"INJP", fixed_array, elements, kWide, "read_injp", "write_injp", byte, 12},
    {"IGNP", fixed_array, elements, kWide, "read_ignp", "write_ignp", byte, 12},
    {"PHBT", fixed_array, elements, kWide, "read_phbt", "write_phbt", word, 12},
    {"GPOS", fixed_array, elements, kWide, "read_gpos", "write_gpos", byte, 4},
    {"GPOV", fixed_array, elements, kWide, "read_gpov", "write_gpov", signed_byte, 4},
    {"RPMS", fixed_array, elements, kWide, "read_rpms", "write_rpms", word, 4},
    {"RPSL", fixed_array, elements, kWide, "read_rps_ratios", "write_rpsl", word, 9},
    {"RPSH", fixed_array, elements, kWide, "read_rps_ratios", "write_rpsh", word, 9},
    {"GGPO", fixed_array, elements, kWide, "read_ggpo", "write_ggpo", byte, 9},
    {"STUT", fixed_array, elements, kWide, "read_stut", "write_stut", word, 9},
    {"BO_P", fixed_array, elements, kWide, "read_boost_params", "write_bo_p", word, 5},
    {"BO_I", fixed_array, elements, kWide, "read_boost_params", "write_bo_i", word, 5},
    {"BO_D", fixed_array, elements, kWide, "read_boost_params", "write_bo_d", word, 5},
    {"BOEN", fixed_array, elements, kWide, "read_boost_params", "write_boen", byte, 5},
    {"BOIS", fixed_array, elements, kWide, "read_boost_params", "write_bois", byte, 5},
    {"BORT", fixed_array, elements, kWide, "read_boost_params", "write_bort", byte, 5},
    {"BOFG", fixed_array, elements, kWide, "read_boost_params", "write_bofg", byte, 5},

    // Memory tables take one progress step per line.
    {"MAPM", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"IGN3", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"TPFM", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"TPFP", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"EGOL", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"CLTM", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"MATM", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"AUXM", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"IGNM", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"IGNR", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"IGNT", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"BARG", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"IDLE", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"DWEL", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"BARI", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"IGNC", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"IGNA", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"ACCC", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"BATD", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"CLTF", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"MATF", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    // The injector tables stand in the memory layout but are arrays with block reads and
    // element writes of their own.
    {"INJK", memory_table, elements, kWide, "read_injk", "write_injk", word, 0},
    {"INJO", memory_table, elements, kWide, "read_injo", "write_injo", signed_word, 0},
    {"INJL", memory_table, elements, kWide, "read_injl", "write_injl", word, 0},
    {"INJM", memory_table, elements, kWide, "read_injm", "write_injm", word, 0},
    {"GPO1", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"GPO2", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"GPO3", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"GPO4", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"BMP0", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"BMP1", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"BMP2", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    {"BMP3", memory_table, memory, kNarrow, "read_memory_byte", "write_memory_byte", byte, 0},
    // clang-format on
});

const CalibrationTable& memory_table_of(const DataSetRow& row) {
  for (const CalibrationTable& table : calibration_memory_map()) {
    if (table.data_set_key == row.key) return table;
  }
  throw std::logic_error("data set table " + std::string(row.key) + " has no memory");
}

const CalibrationArrayKey& array_of(const DataSetRow& row) {
  const CalibrationArrayKey* array = find_calibration_array(row.key);
  if (array == nullptr) {
    throw std::logic_error("data set table " + std::string(row.key) + " has no array");
  }
  return *array;
}

Long& scalar_of(const DataSetRow& row) {
  Long* variable = find_calibration_scalar(row.key);
  if (variable == nullptr) {
    throw std::logic_error("data set key " + std::string(row.key) + " has no variable");
  }
  return *variable;
}

std::string value_text(const DataSetRow& row, int index) {
  const auto integer = [&row](Long value) { return ui::format_number(value, row.mask); };
  switch (row.source) {
    case format_revision:
      return integer(kDataSetFormatRevision);
    case console_version:
      return std::string(kConsoleVersionText);
    case firmware_revision:
      return integer(fw_rev);
    case variable:
      return integer(scalar_of(row));
    case full_scale_rpm:
      return ui::format_single(rpm_full_scale, row.mask);
    case elements:
      return integer(array_of(row).elements[static_cast<std::size_t>(index)]);
    case memory:
      return integer(mem_value);
  }
  return {};
}

std::string index_text(int index) {
  return ui::format_number(index, "000");
}

// Columns `first` (0-based) on, `count` of them, of a line padded with blanks.
std::string columns(std::string_view padded, std::size_t first, std::size_t count) {
  if (first >= padded.size()) return {};
  return std::string(padded.substr(first, count));
}

std::string without_trailing_blanks(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

std::span<const DataSetRow> data_set_table() {
  return kDataSetTable;
}

const DataSetRow* find_data_set_row(std::string_view key) {
  const auto row = std::ranges::find(kDataSetTable, key, &DataSetRow::key);
  return row == kDataSetTable.end() ? nullptr : &*row;
}

int data_set_entry_count(const DataSetRow& row) {
  if (row.layout == version || row.layout == LineLayout::scalar) return 1;
  if (row.source == memory) return table_byte_count(memory_table_of(row).shape);
  return array_of(row).upper_bound + 1;
}

Long data_set_memory_address(const DataSetRow& row, int index) {
  return memory_table_of(row).first_address + index;
}

std::string data_set_line(const DataSetRow& row, int index) {
  const std::string value = value_text(row, index);
  std::string key(row.key);
  switch (row.layout) {
    case version:
    case LineLayout::scalar:
      key.resize(kKeyColumns, ' ');
      return key + "= " + value;
    case fixed_array:
      return key + "[" + index_text(index) + "]= " + value;
    case memory_table:
      return key + "[" + index_text(index) + "]=" + value;
  }
  return {};
}

const CommandInfo& data_set_command(std::string_view request_name) {
  const CommandInfo* command = find_command(request_name);
  if (command == nullptr) {
    throw std::logic_error("no command named " + std::string(request_name));
  }
  return *command;
}

std::string data_set_request(const CommandInfo& command, Long first, Long value) {
  const auto byte = [](Long v) { return static_cast<char>(v & 0xFF); };
  const char lo = byte(value);
  const char hi = byte(value >> 8);
  std::string text(1, static_cast<char>(command.code));
  switch (command.payload) {
    case RequestPayload::none:
      return text;
    case RequestPayload::byte_value:
      return text + lo + '\0' + '\0';
    case RequestPayload::word_value:
      return text + lo + hi + '\0';
    case RequestPayload::index_word:
    case RequestPayload::row_mask:
      return text + byte(first) + lo + hi;
    case RequestPayload::index_byte:
      return text + byte(first) + lo + '\0';
    case RequestPayload::memory_read:
      return text + byte(first) + byte(first >> 8) + '\0';
    case RequestPayload::memory_write:
      return text + byte(first) + byte(first >> 8) + lo;
    case RequestPayload::zeros:
      return text + '\0' + '\0' + '\0';
    default:
      break;
  }
  throw std::logic_error(std::string("no data set payload for ") + command.name);
}

DataSetFields split_data_set_line(std::string_view line) {
  // Five blanks make room for the columns a short line lacks.
  const std::string padded = std::string(line) + std::string(kLinePadding);
  DataSetFields fields;
  fields.table_line = line.find('[') != std::string_view::npos;
  fields.name = fields.table_line ? columns(padded, 0, kTableNameColumns)
                                  : without_trailing_blanks(columns(padded, 0, kKeyColumns));
  if (fields.table_line) fields.index_text = columns(padded, kIndexColumn, kIndexColumns);
  fields.value_text = columns(padded, kValueColumn, std::string::npos);
  return fields;
}

WireRange wire_range(FieldKind kind) {
  switch (kind) {
    case byte:
      return {0, 255};
    case word:
      return {0, 65535};
    case signed_byte:
      return {-128, 127};
    case signed_word:
      return {-32768, 32767};
  }
  return {0, 0};
}

}  // namespace ecu
