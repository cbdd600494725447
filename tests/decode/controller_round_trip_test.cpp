// The console talks to a simulated controller over a pseudo-terminal: it reads the whole
// calibration memory with the block reads of the editors and the single reads of the data
// set download, and every grid cell and curve box ends up showing its byte, in sync.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "decode/decode_test_support.hpp"
#include "decode/memory_map.hpp"
#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "sim/simulated_controller.hpp"
#include "support/watched_ports.hpp"
#include "ui/format.hpp"

namespace ecu {
namespace {

// What each table shows for stored byte v, written out from the memory map's conversions
// with the settings this test runs under (lambda unit, MAP sensor 115/10, boost channels 1
// and 3 in percent, 2 and 4 in kPa).
std::string expected_text(std::string_view key, int v) {
  const auto single = [](double value) { return static_cast<Single>(value); };
  if (key == "EGOL") {
    const Single x = single(v / 128.0);
    return ui::format_single(x, x > 1.0F ? "#0.00" : "0.000");
  }
  if (key == "MAPM" || key == "TPFM") return ui::format_single(single(v / 128.0), "#.000");
  if (key == "BARG") return ui::format_single(single(v / 128.0), "##.#00");
  if (key == "CLTM" || key == "MATM" || key == "AUXM" || key == "DWEL" || key == "ACCC" ||
      key == "BATD") {
    return ui::format_single(single(v / 64.0), "##.#00");
  }
  if (key == "IGN3") return ui::format_single(single(v / 4.0 - 16.0), "#0.00");
  if (key == "IGNM" || key == "IGNR" || key == "IGNT" || key == "BARI" || key == "IGNC" ||
      key == "IGNA") {
    return ui::format_single(single(v / 4.0 - 16.0), "#0.000");
  }
  if (key == "IDLE") return std::to_string(v * 8);
  if (key == "CLTF" || key == "MATF") return std::to_string(v - 64);
  if (key == "TPFP") return ui::format_single(single(v / 64.0 * 100.0), "##0.0");
  if (key == "BMP1" || key == "BMP3") {
    return ui::format_single(10.0F + static_cast<Single>(v) * 115.0F / 255.0F, "##0.0");
  }
  // The output tables and the boost tables run as plain duty.
  return ui::format_single(single(v / 256.0 * 100.0), "##0.0");
}

// A stored byte that differs from its neighbours and from table to table.
std::uint8_t stored_byte(Long address) {
  return static_cast<std::uint8_t>((address * 37 + 11) & 0xFF);
}

struct CellView {
  const CalibrationTable& table;
  int i;
  [[nodiscard]] int row() const {
    const int size = table.shape == TableShape::map_16x16 ? 16 : 9;
    return size - i % size;
  }
  [[nodiscard]] int col() const {
    const int size = table.shape == TableShape::map_16x16 ? 16 : 9;
    return i / size + 1;
  }
  [[nodiscard]] std::string text() const {
    if (table.shape == TableShape::curve) return table.boxes()[i].text();
    return table.grid().cell_text(row(), col());
  }
  [[nodiscard]] ui::Colour back() const {
    if (table.shape == TableShape::curve) return table.boxes()[i].back_colour();
    return table.grid().cell_back_colour(row(), col());
  }
  void mark_edited() const {
    if (table.shape == TableShape::curve) {
      table.boxes()[i].set_text("?");
      table.boxes()[i].set_back_colour(ui::colours::yellow);
    } else {
      table.grid().set_cell_text(row(), col(), "?");
      table.grid().set_cell_back_colour(row(), col(), ui::colours::yellow);
    }
  }
};

std::string memory_request(char code, Long address, int value = 0) {
  std::string command(1, code);
  command += static_cast<char>(address & 0xFF);
  command += static_cast<char>((address >> 8) & 0xFF);
  command += static_cast<char>(value);
  return command;
}

class ControllerRoundTripTest : public test::DecodeTest {
 protected:
  void SetUp() override {
    DecodeTest::SetUp();
    work_in_scratch_folder();
    test::use_system_serial_port();
    controller_ = std::make_unique<sim::SimulatedController>(1);
    for (const CalibrationTable& table : calibration_memory_map()) {
      for (Long address = table.first_address; address <= table.last_address; ++address) {
        controller_->set_memory(static_cast<std::uint16_t>(address), stored_byte(address));
      }
    }
    map_sensor_gain = 115.0F;
    map_sensor_offset = 10.0F;
    bofg = {2, 0, 2, 0};
    com_port = 1;
    open_comm_link();
    ASSERT_EQ(link_ready, kTrue);
  }

  void TearDown() override {
    // The port closes before the controller behind it goes away.
    test::use_system_serial_port();
    controller_.reset();
    DecodeTest::TearDown();
  }

  static void mark_every_cell_edited() {
    for (const CalibrationTable& table : calibration_memory_map()) {
      for (int i = 0; i < table_byte_count(table.shape); ++i) CellView{table, i}.mark_edited();
    }
  }

  static void expect_every_cell_shows_its_byte() {
    for (const CalibrationTable& table : calibration_memory_map()) {
      for (int i = 0; i < table_byte_count(table.shape); ++i) {
        const CellView cell{table, i};
        const int v = stored_byte(table.first_address + i);
        ASSERT_EQ(cell.text(), expected_text(table.data_set_key, v)) << table.name << " " << i;
        ASSERT_EQ(cell.back(), ui::colours::white) << table.name << " " << i;
      }
    }
  }

  std::unique_ptr<sim::SimulatedController> controller_;
};

TEST_F(ControllerRoundTripTest, BlockReadsFillEveryCellInSync) {
  mark_every_cell_edited();
  for (const CalibrationTable& table : calibration_memory_map()) {
    // A curve is one 9-byte read, a 9x9 table three of 27 bytes, a map eight of 32.
    struct Block {
      char code;
      int bytes;
    };
    const Block block = table.shape == TableShape::curve       ? Block{'r', 9}
                        : table.shape == TableShape::table_9x9 ? Block{'k', 27}
                                                               : Block{'l', 32};
    for (Long address = table.first_address; address <= table.last_address;
         address += block.bytes) {
      send_command(memory_request(block.code, address));
      ASSERT_EQ(reply_received, -1) << table.name << " at " << address;
      ASSERT_EQ(mem_address, address);
    }
  }
  expect_every_cell_shows_its_byte();
}

TEST_F(ControllerRoundTripTest, SingleByteReadsFillEveryCellInSync) {
  mark_every_cell_edited();
  for (const CalibrationTable& table : calibration_memory_map()) {
    for (Long address = table.first_address; address <= table.last_address; ++address) {
      send_command(memory_request('E', address));
      ASSERT_EQ(reply_received, -1) << table.name << " at " << address;
      ASSERT_EQ(mem_address, address);
      ASSERT_EQ(mem_value, stored_byte(address));
    }
  }
  expect_every_cell_shows_its_byte();
}

TEST_F(ControllerRoundTripTest, WriteEchoShowsWhatTheControllerStored) {
  const CellView cell{*find_calibration_table(0x123), 0x23};
  cell.mark_edited();
  send_command(memory_request('e', 0x123, 128));
  EXPECT_EQ(controller_->memory(0x123), 128);
  EXPECT_EQ(cell.text(), "1.000");
  EXPECT_EQ(cell.back(), ui::colours::white);
  EXPECT_EQ(mem_value, 128);
}

TEST_F(ControllerRoundTripTest, LiveRepliesOfTheControllerReachTheSharedState) {
  tach_filter_coef = 1.0F;
  sim::LiveData live;
  live.rpm = 4200;
  live.coolant = 0xF6;
  live.egt_sixteenths = 1600;
  controller_->set_reply_payload('A', sim::live_data_payload(live));
  sim::MonitorFrame monitor;
  monitor.speed_sixteenths = 800;
  monitor.iac = {3, 0, 300, 1200};
  controller_->set_reply_payload(0x81, sim::monitor_frame_payload(monitor));
  sim::ChannelRuntime runtime;
  runtime.injection_duty.fill(219);
  controller_->set_reply_payload(0xCF, sim::channel_runtime_payload(runtime));

  send_command("A");
  EXPECT_FLOAT_EQ(engine_rpm, 4200.0F);
  EXPECT_FLOAT_EQ(coolant_temp, -10.0F);
  send_command(std::string(1, '\x81'));
  EXPECT_FLOAT_EQ(vehicle_speed_mph, 50.0F);
  EXPECT_EQ(iac_rpm_setpoint, 1200);
  send_command(std::string(1, '\xCF'));
  EXPECT_EQ(inj_duty_pcnt[7], 86);
  send_command(std::string("\xF8\x03", 2) + "00");
  EXPECT_FLOAT_EQ(wheel_diag_samples[45], 45.0F);
  EXPECT_FLOAT_EQ(wheel_diag_samples[59], 59.0F);
}

}  // namespace
}  // namespace ecu
