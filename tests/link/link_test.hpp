#pragma once
// The starting point of the link tests: a console test in a working folder of its own (the
// Comm menu writes port.cfg there), with the link's port, framer and relay hook reset.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "link/comm_port.hpp"
#include "link/link_channel.hpp"
#include "link/receive_framer.hpp"
#include "shell/frm_dialog.hpp"
#include "support/console_test.hpp"
#include "support/watched_ports.hpp"

namespace test {

class LinkTest : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    previous_folder_ = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "link_test_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    std::filesystem::current_path(folder_);
    test::use_system_serial_port();
    ecu::set_relay_channel(nullptr);
  }

  void TearDown() override {
    // The port closes before any simulated controller behind it goes away.
    test::use_system_serial_port();
    ui::forms().set_observer(nullptr);
    ConsoleTest::TearDown();
    std::filesystem::current_path(previous_folder_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  // Presses button `index` of the choice dialog at the first pass that takes user input,
  // which is the modal dialog's own loop.
  static void press_dialog_button(int index) {
    ui::event_loop().post_user_input([index] { ecu::frm_Dialog().dialog_button[index].click(); });
  }
  // Closes the choice dialog through its window frame.
  static void close_dialog_frame() {
    ui::event_loop().post_user_input([] { ecu::frm_Dialog().request_close(); });
  }

  [[nodiscard]] const std::filesystem::path& folder() const { return folder_; }

 private:
  std::filesystem::path previous_folder_;
  std::filesystem::path folder_;
};

// Bytes written as a list of values, for comparing wire bytes.
inline std::string bytes(std::initializer_list<int> values) {
  std::string result;
  for (const int value : values) result += static_cast<char>(value);
  return result;
}

// A reply frame as the controller builds it: first byte, length byte, type, payload, then
// the sum of everything before it, low byte first.
inline std::string reply_frame(int type, const std::string& payload, int first_byte = 0x02) {
  std::string frame;
  frame += static_cast<char>(first_byte);
  frame += static_cast<char>(payload.size() + 5);
  frame += static_cast<char>(type);
  frame += payload;
  unsigned sum = 0;
  for (const char byte : frame) sum += static_cast<unsigned char>(byte);
  frame += static_cast<char>(sum & 0xFFU);
  frame += static_cast<char>(sum >> 8);
  return frame;
}

// Records the captions a control takes, in order.
class CaptionRecorder final : public ui::FormObserver {
 public:
  explicit CaptionRecorder(std::string control_name) : name_(std::move(control_name)) {}
  void form_loaded(ui::Form&) override {}
  void form_unloaded(ui::Form&) override {}
  void form_changed(ui::Form&) override {}
  void form_shown(ui::Form& form) override { shown_forms.push_back(form.name()); }
  void form_hidden(ui::Form&) override {}
  void form_activated(ui::Form&) override {}
  void control_changed(ui::Control& control, ui::Property what) override {
    if (control.name() == name_ && what == ui::Property::text)
      captions.push_back(control.caption());
  }

  std::vector<std::string> captions;
  std::vector<std::string> shown_forms;

 private:
  std::string name_;
};

}  // namespace test
