// Random and truncated frames of every reply type through the three decoders. Run under the
// sanitizers, these find any read or write outside a frame, an array or a control array.

#include <array>
#include <exception>
#include <functional>
#include <random>
#include <string>
#include <typeinfo>
#include <vector>

#include "config/frm_tool.hpp"
#include "decode/command_table.hpp"
#include "decode/reply_decoders.hpp"
#include "decode/setting_reply_fixture.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "sim/controller_replies.hpp"

namespace {

constexpr int kRoundsPerType = 40;

std::string random_bytes(std::mt19937& random, std::size_t count) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>(byte(random));
  return bytes;
}

// Runs the decoders as the framer does; returns the name of anything other than a missing
// byte that a decoder threw, or empty.
std::string run_decoders(const ecu::ReplyFrame& frame, ecu::Integer n) {
  std::string unexpected;
  for (auto* decoder :
       {&ecu::decode_ascii_reply, &ecu::decode_binary_reply_1, &ecu::decode_binary_reply_2}) {
    try {
      decoder(frame, n);
    } catch (const ecu::ReplyByteMissing&) {
      // The framer traps this: the decoder's work on the frame ends.
    } catch (const std::exception& error) {
      unexpected = typeid(error).name() + std::string(": ") + error.what();
    }
  }
  return unexpected;
}

class ReplyFuzz : public test::SettingReplyTest {};

TEST_F(ReplyFuzz, WholeFramesOfTheRightLengthDecodeWithoutReadingPastThem) {
  std::mt19937 random(20003);
  for (const ecu::CommandInfo& row : ecu::command_table()) {
    SCOPED_TRACE(row.name);
    for (int round = 0; round < kRoundsPerType; ++round) {
      const auto payload = random_bytes(random, static_cast<std::size_t>(row.reply_length - 3));
      const ecu::ReplyFrame frame(sim::reply_frame(row.code, payload));
      const auto n = ecu::check_reply_frame(frame);
      ASSERT_TRUE(n.has_value());
      ecu::reply_received = 0;
      bool threw = false;
      for (auto* decoder :
           {&ecu::decode_ascii_reply, &ecu::decode_binary_reply_1, &ecu::decode_binary_reply_2}) {
        try {
          decoder(frame, *n);
        } catch (const std::exception& error) {
          threw = true;
          ADD_FAILURE() << error.what();
        }
      }
      EXPECT_FALSE(threw);
      EXPECT_EQ(ecu::reply_received, -1);
    }
  }
}

TEST_F(ReplyFuzz, TruncatedFramesOnlyEverMissABytePastTheirEnd) {
  std::mt19937 random(1602);
  for (const ecu::CommandInfo& row : ecu::command_table()) {
    SCOPED_TRACE(row.name);
    for (int round = 0; round < kRoundsPerType; ++round) {
      // The length the table expects, but fewer bytes than that arrived.
      std::uniform_int_distribution<int> kept(0, row.reply_length - 1);
      std::string bytes = sim::reply_frame(
          row.code, random_bytes(random, static_cast<std::size_t>(row.reply_length - 3)));
      bytes.resize(static_cast<std::size_t>(kept(random)));
      EXPECT_EQ(run_decoders(ecu::ReplyFrame(bytes), row.reply_length), "");
    }
  }
}

TEST_F(ReplyFuzz, RandomFramesAreTakenOnlyAtTheirTypesLength) {
  std::mt19937 random(38400);
  std::uniform_int_distribution<int> type(0, 255);
  std::uniform_int_distribution<int> size(0, 97);
  for (int round = 0; round < 256 * kRoundsPerType; ++round) {
    const auto code = static_cast<std::uint8_t>(type(random));
    const ecu::ReplyFrame frame(
        sim::reply_frame(code, random_bytes(random, static_cast<std::size_t>(size(random)))));
    const auto n = ecu::check_reply_frame(frame);
    if (!n) continue;
    ecu::reply_received = 0;
    ASSERT_EQ(run_decoders(frame, *n), "") << "type " << int{code};
    const ecu::ReplyType& owner = ecu::reply_type(code);
    EXPECT_EQ(ecu::reply_received, owner.known && owner.reply_length == *n ? -1 : 0)
        << "type " << int{code} << " n " << *n;
  }
}

TEST_F(ReplyFuzz, ArbitraryLengthsAndBytesNeverFault) {
  std::mt19937 random(115);
  std::uniform_int_distribution<int> size(0, 120);
  std::uniform_int_distribution<int> length(-5, 120);
  for (int round = 0; round < 256 * kRoundsPerType; ++round) {
    const std::string bytes = random_bytes(random, static_cast<std::size_t>(size(random)));
    const auto n = static_cast<ecu::Integer>(length(random));
    ASSERT_EQ(run_decoders(ecu::ReplyFrame(bytes), n), "");
  }
}

// ---- Frames cut short inside a multi-field payload ----

template <std::size_t N>
std::string longs(const std::array<ecu::Long, N>& values) {
  std::string text;
  for (const ecu::Long value : values) text += std::to_string(value) + ",";
  return text;
}

std::string texts(ui::ControlArray<ui::TextBox>& fields) {
  std::string text;
  for (int i = 0; i < fields.count(); ++i) text += fields[i].text() + ",";
  return text;
}

int selected(ui::ControlArray<ui::OptionButton>& group) {
  for (int i = 0; i < group.count(); ++i) {
    if (group[i].value()) return i;
  }
  return -1;
}

struct ShortFrameCase {
  const char* what;
  std::uint8_t type;
  std::size_t payload_size;
  std::function<void()> prepare;  // a state every field of the reply would change
  std::function<std::string()> state;
};

std::vector<ShortFrameCase> short_frame_cases() {
  using ecu::frm_sup;
  using ecu::frm_tool;
  return {
      {"speed ratios", 0x22, 32,
       [] {
         ecu::rpsl.fill(-9);
         ecu::rpsh.fill(-9);
         frm_tool().low_rps_ratio[0].set_text("edited");
       },
       [] {
         return longs(ecu::rpsl) + longs(ecu::rpsh) + texts(frm_tool().low_rps_ratio) +
                texts(frm_tool().high_rps_ratio);
       }},
      {"EGO configuration", 0xD0, 3,
       [] {
         ecu::ego_flgs = ecu::ego_wbl0 = ecu::ego_wbl1 = 99;
         frm_tool().EGO_type[2].set_value(true);
       },
       [] {
         return std::to_string(ecu::ego_flgs) + std::to_string(ecu::ego_wbl0) +
                std::to_string(ecu::ego_wbl1) + std::to_string(selected(frm_tool().EGO_type)) +
                frm_tool().WB_EGO_0V_LAMBDA.text() + frm_tool().WB_EGO_1V_LAMBDA.text();
       }},
      {"throttle calibration", 0xD4, 2, [] { ecu::tps_base = ecu::tps_fs = 99; },
       [] {
         return std::to_string(ecu::tps_base) + std::to_string(ecu::tps_fs) +
                frm_tool().tps_base_val.text();
       }},
      {"sensor calibration", 0x30, 6,
       [] { ecu::map_ofst = ecu::bar_ofst = ecu::map_sclr = ecu::bar_sclr = 99; },
       [] {
         return std::to_string(ecu::map_ofst) + std::to_string(ecu::bar_ofst) +
                std::to_string(ecu::map_sclr) + std::to_string(ecu::bar_sclr) +
                frm_tool().map_offset.text();
       }},
      {"boost block", 0xD9, 40,
       [] {
         for (auto* array : {&ecu::bo_p, &ecu::bo_i, &ecu::bo_d, &ecu::boen, &ecu::bois, &ecu::bort,
                             &ecu::bofg}) {
           array->fill(-9);
         }
       },
       [] {
         return longs(ecu::bo_p) + longs(ecu::bo_i) + longs(ecu::bo_d) + longs(ecu::boen) +
                longs(ecu::bois) + longs(ecu::bort) + longs(ecu::bofg) + texts(frm_sup().boost_p);
       }},
      {"injection phases", 0x7F, 16, [] { ecu::injp.fill(-9); }, [] { return longs(ecu::injp); }},
      {"phase angles", 0x9B, 32, [] { ecu::phbt.fill(-9); },
       [] { return longs(ecu::phbt) + texts(frm_tool().ph_base_deg); }},
      {"output modes", 0xAA, 4, [] { ecu::gpos.fill(-9); }, [] { return longs(ecu::gpos); }},
      {"switch temperatures", 0xAC, 4, [] { ecu::gpov.fill(-9); },
       [] { return longs(ecu::gpov) + texts(frm_sup().cool_rly_temp); }},
      {"injector gains", 0xC9, 16, [] { ecu::injk.fill(-9); },
       [] { return longs(ecu::injk) + texts(frm_tool().inj_gain); }},
      {"rpm switches", 0xE1, 8, [] { ecu::rpms.fill(-9); },
       [] { return longs(ecu::rpms) + texts(frm_sup().rpm_switch); }},
      {"stutter pattern", 0x1C, 16, [] { ecu::stut.fill(-9); },
       [] { return longs(ecu::stut) + texts(frm_tool().stutter_table); }},
      {"gear outputs", 0x26, 8, [] { ecu::ggpo.fill(-9); },
       [] { return longs(ecu::ggpo) + texts(frm_tool().gear_gpo_num); }},
  };
}

TEST_F(ReplyFuzz, FrameEndingInsideItsPayloadChangesNoFieldOfIt) {
  std::mt19937 random(4096);
  for (const ShortFrameCase& c : short_frame_cases()) {
    const std::string whole = sim::reply_frame(c.type, random_bytes(random, c.payload_size));
    const auto n = static_cast<ecu::Integer>(c.payload_size + 3);
    // The frame claims its full length, but only `kept` bytes arrived: the type and part of
    // the payload.
    for (std::size_t kept = 3; kept < c.payload_size + 3; ++kept) {
      SCOPED_TRACE(std::string(c.what) + ", bytes kept " + std::to_string(kept));
      c.prepare();
      const std::string before = c.state();
      EXPECT_EQ(run_decoders(ecu::ReplyFrame(whole.substr(0, kept)), n), "");
      EXPECT_EQ(c.state(), before);
    }
  }
}

}  // namespace
