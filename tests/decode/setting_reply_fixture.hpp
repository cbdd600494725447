#pragma once
// The starting point of the setting decoder tests: a fresh console in a scratch folder, and
// a way to hand a reply to the three decoders exactly as the receive framer does once a
// frame passed its length and sum tests.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "decode/decode_test_support.hpp"
#include "link/receive_framer.hpp"
#include "model/basic_types.hpp"
#include "ui/ui.hpp"

namespace test {

// Payload bytes from small numbers, so a case reads like the layout it pins.
std::string payload_bytes(std::initializer_list<unsigned> bytes);
// A word low byte first.
std::string word_bytes(unsigned value);

// Records, in order, every text and colour a decoder writes into the text boxes of one name,
// whichever window they sit on: "frm_tool.base_offset_deg text 0.00", "frm_3d.ecu_pgm(0)
// back white".
class TextBoxLog final : public ui::FormObserver {
 public:
  explicit TextBoxLog(std::string name);
  ~TextBoxLog() override;
  TextBoxLog(const TextBoxLog&) = delete;
  TextBoxLog& operator=(const TextBoxLog&) = delete;

  [[nodiscard]] const std::vector<std::string>& entries() const { return entries_; }

  void form_loaded(ui::Form&) override {}
  void form_unloaded(ui::Form&) override {}
  void form_changed(ui::Form&) override {}
  void form_shown(ui::Form&) override {}
  void form_hidden(ui::Form&) override {}
  void form_activated(ui::Form&) override {}
  void control_changed(ui::Control& control, ui::Property what) override;

 private:
  std::string name_;
  std::vector<std::string> entries_;
};

// Every test runs in a scratch folder of its own.
class SettingReplyTest : public DecodeTest {
 protected:
  void SetUp() override;

  // Builds the frame of `type` with `payload` and runs it through the decoders; the reply
  // length n is that of the frame, so a payload of the wrong size is a reply of the wrong
  // length.
  void deliver(std::uint8_t type, const std::string& payload);
  void deliver(std::uint8_t type, std::initializer_list<unsigned> payload) {
    deliver(type, payload_bytes(payload));
  }
  // Hands an arbitrary frame and n to the decoders, trapping what the framer traps.
  static void deliver_raw(const ecu::ReplyFrame& frame, ecu::Integer n);
};

}  // namespace test
