#include "decode/setting_reply_fixture.hpp"

#include <exception>
#include <utility>

#include "decode/display_values.hpp"
#include "decode/reply_decoders.hpp"
#include "decode/setting_replies.hpp"
#include "model/shared_state.hpp"
#include "sim/controller_replies.hpp"

namespace test {

std::string payload_bytes(std::initializer_list<unsigned> bytes) {
  std::string payload;
  for (const unsigned byte : bytes) payload += static_cast<char>(byte & 0xFFU);
  return payload;
}

std::string word_bytes(unsigned value) {
  return payload_bytes({value & 0xFFU, value >> 8});
}

TextBoxLog::TextBoxLog(std::string name) : name_(std::move(name)) {
  ui::forms().set_observer(this);
}

TextBoxLog::~TextBoxLog() {
  ui::forms().set_observer(nullptr);
}

void TextBoxLog::control_changed(ui::Control& control, ui::Property what) {
  if (control.kind() != ui::ControlKind::text_box || control.name() != name_) return;
  const auto& box = static_cast<const ui::TextBox&>(control);
  std::string where = control.form().name() + "." + control.name();
  // Appended piece by piece: GCC 12 at -O3 sees a false overlap in "(" + std::to_string(...).
  if (control.index() >= 0) where.append("(").append(std::to_string(control.index())).append(")");
  where += " ";
  if (what == ui::Property::text) {
    entries_.push_back(where + "text " + box.text());
  } else if (what == ui::Property::colours) {
    const ui::Colour back = box.back_colour();
    entries_.push_back(where + "back " +
                       (back == ui::colours::white    ? "white"
                        : back == ui::colours::yellow ? "yellow"
                                                      : std::to_string(back)));
  }
}

void SettingReplyTest::SetUp() {
  DecodeTest::SetUp();
  // A reply can reach the main window (the reflash answer enables its flash utility), and
  // loading it runs start-up, which reads and writes its settings files by bare name.
  work_in_scratch_folder();
  ecu::reset_display_values();
  ecu::allow_feature_version_warning();
}

void SettingReplyTest::deliver(std::uint8_t type, const std::string& payload) {
  const ecu::ReplyFrame frame(sim::reply_frame(type, payload));
  const auto n = ecu::check_reply_frame(frame);
  ASSERT_TRUE(n.has_value()) << "the test built a frame the framer drops";
  ecu::decode_ascii_reply(frame, *n);
  ecu::decode_binary_reply_1(frame, *n);
  ecu::decode_binary_reply_2(frame, *n);
}

void SettingReplyTest::deliver_raw(const ecu::ReplyFrame& frame, ecu::Integer n) {
  for (auto* decoder :
       {&ecu::decode_ascii_reply, &ecu::decode_binary_reply_1, &ecu::decode_binary_reply_2}) {
    try {
      decoder(frame, n);
    } catch (const std::exception&) {
      // The framer ends a decoder's work on a frame that lacks a byte it reads.
    }
  }
}

}  // namespace test
