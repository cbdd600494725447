#include "sim/controller_replies.hpp"

#include <array>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/controller_reply_defaults.hpp"

namespace sim {
namespace {

constexpr int kFirstPayloadByte = 3;
constexpr unsigned char kStartByte = 0x02;

// Builds a payload by frame byte numbers, so each line below reads like the layout's row.
// Every byte from 3 to the last must be written exactly once.
class Payload {
 public:
  explicit Payload(int last_byte)
      : bytes_(static_cast<std::size_t>(last_byte - kFirstPayloadByte + 1), '\0'),
        written_(bytes_.size(), false) {}

  Payload& byte(int at, unsigned value) {
    put(at, value & 0xFFU);
    return *this;
  }
  Payload& word(int at, unsigned value) {
    put(at, value & 0xFFU);
    put(at + 1, (value >> 8) & 0xFFU);
    return *this;
  }
  Payload& skip(int from, int to) {
    for (int at = from; at <= to; ++at) put(at, 0);
    return *this;
  }

  [[nodiscard]] std::string done() const {
    for (const bool was_written : written_) {
      if (!was_written) throw std::logic_error("payload byte left out");
    }
    return bytes_;
  }

 private:
  void put(int at, unsigned value) {
    const auto slot = static_cast<std::size_t>(at - kFirstPayloadByte);
    if (at < kFirstPayloadByte || slot >= bytes_.size() || written_[slot]) {
      throw std::logic_error("payload byte " + std::to_string(at) + " misplaced");
    }
    bytes_[slot] = static_cast<char>(value);
    written_[slot] = true;
  }

  std::string bytes_;
  std::vector<bool> written_;
};

void put_iac_status(Payload& payload, int at, const IacStatus& status) {
  payload.byte(at, status.state)
      .byte(at + 1, status.errors)
      .word(at + 2, status.position)
      .word(at + 4, status.rpm_setpoint);
}

void put_monitor_head(Payload& payload, const MonitorFrame& f) {
  payload.byte(3, f.map_set)
      .word(4, f.wheel_triggers)
      .word(6, f.cam_triggers)
      .byte(8, f.wheel_tooth)
      .byte(9, f.cam_tooth)
      .word(10, f.cpu_seconds)
      .byte(12, f.error_flags)
      .word(13, f.speed_sixteenths)
      .word(15, f.rpm_per_mph_sixteenths)
      .byte(17, f.gear);
}

}  // namespace

std::string live_data_payload(const LiveData& d) {
  Payload payload(62);
  payload.byte(3, d.unused_3)
      .word(4, d.can_rx_count)
      .word(6, d.o2_sensor_status)
      .byte(8, d.lambda_setpoint)
      .byte(9, d.lambda_or_o2)
      .byte(10, d.tps)
      .word(11, d.base_pw)
      .byte(13, d.coolant)
      .byte(14, d.air_temp)
      .byte(15, d.battery)
      .byte(16, d.ego_correction)
      .byte(17, d.map_enrichment)
      .word(18, d.accel_enrichment)
      .byte(20, d.clt_enrichment)
      .word(21, d.baro)
      .word(23, d.ign_advance)
      .byte(25, d.status_bits)
      .word(26, d.map_quarter_kpa)
      .word(28, d.unused_28)
      .word(30, d.rpm);
  for (int i = 0; i < 7; ++i) payload.byte(32 + i, d.unused_32[static_cast<std::size_t>(i)]);
  payload.word(39, d.throttle)
      .byte(41, d.map_cell)
      .byte(42, d.map_rem)
      .byte(43, d.rpm_cell)
      .byte(44, d.rpm_rem)
      .byte(45, d.tps_cell)
      .byte(46, d.tps_rem)
      .byte(47, d.dyno_state)
      .word(48, d.dyno_samples)
      .byte(50, d.unused_50)
      .word(51, d.wb_feedback)
      .word(53, d.wb_pump_current)
      .word(55, d.wb_pump_dac)
      .word(57, d.wb_heater_pw)
      .word(59, d.wb_heater_temp)
      .word(61, d.egt_sixteenths);
  return payload.done();
}

std::string fuel_params_payload(const FuelParams& p) {
  return Payload(11)
      .word(3, p.fuel_b)
      .word(5, p.fuel_mx)
      .word(7, p.acc_minp)
      .word(9, p.acc_maxp)
      .byte(11, p.bat_comp)
      .done();
}

std::string base_config_block_payload(const BaseConfig& c) {
  return Payload(20)
      .word(3, c.ego_secs)
      .skip(5, 6)
      .word(7, c.acc_rate)
      .word(9, c.min_pres)
      .byte(11, c.ego_rate)
      .word(12, c.acc_sen)
      .skip(14, 15)
      .word(16, c.fs_rpm)
      .byte(18, c.options)
      .byte(19, c.trgs_rev)
      .byte(20, c.map_type)
      .done();
}

std::string firmware_revision_payload(std::uint16_t revision) {
  return Payload(4).word(3, revision).done();
}

std::string serial_number_payload(std::uint32_t serial) {
  return Payload(5)
      .byte(3, serial & 0xFFU)
      .byte(4, (serial >> 8) & 0xFFU)
      .byte(5, (serial >> 16) & 0xFFU)
      .done();
}

std::string analog_pair_payload(std::uint16_t unused, std::uint16_t analog) {
  return Payload(6).word(3, unused).word(5, analog).done();
}

std::string iac_status_payload(const IacStatus& status) {
  Payload payload(8);
  put_iac_status(payload, 3, status);
  return payload.done();
}

std::string monitor_frame_payload(const MonitorFrame& f) {
  Payload payload(29);
  put_monitor_head(payload, f);
  for (int k = 0; k < 4; ++k) payload.byte(18 + k, f.gpo_duty[static_cast<std::size_t>(k)]);
  payload.word(22, f.analog);
  put_iac_status(payload, 24, f.iac);
  return payload.done();
}

std::string old_monitor_frame_payload(const MonitorFrame& f) {
  Payload payload(17);
  put_monitor_head(payload, f);
  return payload.done();
}

std::string channel_runtime_payload(const ChannelRuntime& r) {
  Payload payload(36);
  for (int c = 0; c < 8; ++c) {
    const auto channel = static_cast<std::size_t>(c);
    payload.word(3 + 2 * c, r.pulse_width[channel])
        .byte(19 + c, r.injection_duty[channel])
        .byte(27 + c, r.ignition_duty[channel]);
  }
  payload.word(35, r.dwell);
  return payload.done();
}

std::string wheel_page_payload(std::uint8_t page, const std::array<std::uint16_t, 15>& samples) {
  Payload payload(33);
  payload.byte(3, page);
  for (int i = 0; i < 15; ++i) payload.word(4 + 2 * i, samples[static_cast<std::size_t>(i)]);
  return payload.done();
}

std::string memory_payload(std::uint16_t address, const std::string& bytes) {
  const int last_byte = 4 + static_cast<int>(bytes.size());
  Payload payload(last_byte);
  payload.word(3, address);
  for (std::size_t k = 0; k < bytes.size(); ++k) {
    payload.byte(5 + static_cast<int>(k), static_cast<unsigned char>(bytes[k]));
  }
  return payload.done();
}

std::string reply_frame(std::uint8_t type, const std::string& payload) {
  std::string frame;
  frame += static_cast<char>(kStartByte);
  frame += static_cast<char>((payload.size() + 5) & 0xFFU);
  frame += static_cast<char>(type);
  frame += payload;
  unsigned sum = 0;
  for (const char byte : frame) sum += static_cast<unsigned char>(byte);
  frame += static_cast<char>(sum & 0xFFU);
  frame += static_cast<char>((sum >> 8) & 0xFFU);
  return frame;
}

}  // namespace sim

namespace sim {

std::map<std::uint8_t, std::string> default_reply_payloads() {
  LiveData live;
  live.rpm = 850;
  live.coolant = 85;
  live.air_temp = 30;
  live.battery = 176;  // 13.8 V
  live.map_quarter_kpa = 160;
  live.egt_sixteenths = 6400;
  MonitorFrame monitor;
  monitor.cpu_seconds = 600;
  monitor.iac = {2, 0, 120, 900};
  ChannelRuntime runtime;
  runtime.pulse_width.fill(1500);
  runtime.injection_duty.fill(13);
  runtime.ignition_duty.fill(26);
  runtime.dwell = 300;
  return {
      {'A', live_data_payload(live)},
      {'R', firmware_revision_payload(10203)},
      {'-', serial_number_payload(197121)},
      {'+', std::string(1, '\0')},
      {'F', analog_pair_payload(0, 512)},
      {'X', std::string(3, '\0')},
      {'x', std::string(3, '\0')},
      {'D', std::string()},
      {'d', std::string()},
      {0x98, iac_status_payload(monitor.iac)},
      {0xB2, old_monitor_frame_payload(monitor)},
      {0x81, monitor_frame_payload(monitor)},
      {0xCF, channel_runtime_payload(runtime)},
  };
}

std::string wheel_page_reply_payload(unsigned page) {
  std::array<std::uint16_t, 15> samples{};
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<std::uint16_t>(page * 15 + i);
  }
  return wheel_page_payload(static_cast<std::uint8_t>(page), samples);
}

}  // namespace sim
