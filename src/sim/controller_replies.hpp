#pragma once
// Reply payloads of the controller, laid out field by field at the byte positions of the
// protocol's reply layouts (byte 3 is the first payload byte). Values are in the
// controller's own units, exactly as they travel. Tests decode them, and the simulated
// controller sends them.

#include <array>
#include <cstdint>
#include <string>

#include "sim/simulated_controller.hpp"

namespace sim {

// 'A', bytes 3 to 62.
struct LiveData {
  std::uint8_t unused_3 = 0;
  std::uint16_t can_rx_count = 0;
  std::uint16_t o2_sensor_status = 1;
  std::uint8_t lambda_setpoint = 128;  // 1/128
  std::uint8_t lambda_or_o2 = 128;     // 1/128 lambda, or 1/10 % oxygen
  std::uint8_t tps = 0;                // 1/64 x 100 %
  std::uint16_t base_pw = 0;           // 1.6 us ticks
  std::uint8_t coolant = 0;            // signed deg C
  std::uint8_t air_temp = 0;           // signed deg C
  std::uint8_t battery = 0;            // 20 V / 255
  std::uint8_t ego_correction = 64;    // 1/64
  std::uint8_t map_enrichment = 128;   // 1/128
  std::uint16_t accel_enrichment = 0;
  std::uint8_t clt_enrichment = 64;  // 1/64
  std::uint16_t baro = 0;            // 115 kPa / 1023 + 10
  std::uint16_t ign_advance = 0;     // signed, 64 / 256 degree
  std::uint8_t status_bits = 0;
  std::uint16_t map_quarter_kpa = 0;
  std::uint16_t unused_28 = 0;
  std::uint16_t rpm = 0;
  std::array<std::uint8_t, 7> unused_32{};
  std::uint16_t throttle = 0;  // signed, 100 / 1023 %
  std::uint8_t map_cell = 0, map_rem = 0, rpm_cell = 0, rpm_rem = 0, tps_cell = 0, tps_rem = 0;
  std::uint8_t dyno_state = 0;
  std::uint16_t dyno_samples = 0;
  std::uint8_t unused_50 = 0;
  std::uint16_t wb_feedback = 0, wb_pump_current = 0, wb_pump_dac = 0, wb_heater_pw = 0,
                wb_heater_temp = 0;
  std::uint16_t egt_sixteenths = 0;
};

// 'B', bytes 3 to 11.
struct FuelParams {
  std::uint16_t fuel_b = 16384;
  std::uint16_t fuel_mx = 625;
  std::uint16_t acc_minp = 625;
  std::uint16_t acc_maxp = 6250;
  std::uint8_t bat_comp = 100;
};

// The idle-air status block, six bytes.
struct IacStatus {
  std::uint8_t state = 0;
  std::uint8_t errors = 0;
  std::uint16_t position = 0;
  std::uint16_t rpm_setpoint = 0;
};

// 0x81, bytes 3 to 29; its first fifteen bytes are also the whole of 0xB2.
struct MonitorFrame {
  std::uint8_t map_set = 0;
  std::uint16_t wheel_triggers = 0;
  std::uint16_t cam_triggers = 0;
  std::uint8_t wheel_tooth = 0;
  std::uint8_t cam_tooth = 0;
  std::uint16_t cpu_seconds = 0;
  std::uint8_t error_flags = 0;
  std::uint16_t speed_sixteenths = 0;
  std::uint16_t rpm_per_mph_sixteenths = 0;
  std::uint8_t gear = 0;
  std::array<std::uint8_t, 4> gpo_duty{};  // 255 = 100 %
  std::uint16_t analog = 0;
  IacStatus iac;
};

// 0xCF, bytes 3 to 36.
struct ChannelRuntime {
  std::array<std::uint16_t, 8> pulse_width{};  // 1.6 us ticks
  std::array<std::uint8_t, 8> injection_duty{};
  std::array<std::uint8_t, 8> ignition_duty{};
  std::uint16_t dwell = 0;  // 10 us ticks
};

std::string live_data_payload(const LiveData& data);
std::string fuel_params_payload(const FuelParams& params);
std::string base_config_block_payload(const BaseConfig& config);
std::string firmware_revision_payload(std::uint16_t revision);
std::string serial_number_payload(std::uint32_t serial);  // 24 bits, lowest byte first
std::string analog_pair_payload(std::uint16_t unused, std::uint16_t analog);
std::string iac_status_payload(const IacStatus& status);
std::string monitor_frame_payload(const MonitorFrame& frame);
std::string old_monitor_frame_payload(const MonitorFrame& frame);
std::string channel_runtime_payload(const ChannelRuntime& runtime);
std::string wheel_page_payload(std::uint8_t page, const std::array<std::uint16_t, 15>& samples);
// 'E', 'e', 'r', 'q', 'k', 'l': the address, then the stored bytes from it.
std::string memory_payload(std::uint16_t address, const std::string& bytes);

// A whole reply frame as the controller sends it: start byte, length (payload + 5), type,
// payload, then the 16-bit sum of everything before it, low byte first.
std::string reply_frame(std::uint8_t type, const std::string& payload);

}  // namespace sim
