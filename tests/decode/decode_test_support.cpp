#include "decode/decode_test_support.hpp"

#include <stdlib.h>

#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "link/link_channel.hpp"
#include "link/receive_framer.hpp"
#include "shell/frm_ecu.hpp"

namespace test {
namespace {

// A line that has exactly these bytes waiting.
class ArrivedInput final : public ecu::LinkChannel {
 public:
  explicit ArrivedInput(std::string bytes) : bytes_(std::move(bytes)) {}
  bool discard_stale_input() override { return true; }
  bool send_frame(std::string_view, ecu::Integer) override { return true; }
  std::optional<std::size_t> bytes_waiting() override { return bytes_.size(); }
  std::optional<std::string> take_input() override { return std::exchange(bytes_, {}); }
  bool wait_for_input(double) override { return true; }
  [[nodiscard]] double reply_timeout_seconds() const override { return 0.1; }
  void abandon() override {}

 private:
  std::string bytes_;
};

}  // namespace

void receive_bytes(const std::string& bytes) {
  ArrivedInput line(bytes);
  ecu::receive_reply_from(line);
}

void receive(std::uint8_t type, const std::string& payload) {
  receive_bytes(sim::reply_frame(type, payload));
}

void DecodeTest::SetUp() {
  ConsoleTest::SetUp();
  ecu::reset_receive_framer();
  previous_folder_ = std::filesystem::current_path();
}

void DecodeTest::TearDown() {
  ui::discard_all_forms();
  if (!scratch_folder_.empty()) {
    std::filesystem::current_path(previous_folder_);
    std::error_code ignored;
    std::filesystem::remove_all(scratch_folder_, ignored);
  }
  ConsoleTest::TearDown();
}

void DecodeTest::work_in_scratch_folder() {
  if (!scratch_folder_.empty()) return;
  std::string pattern = (std::filesystem::temp_directory_path() / "ecu-decode-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  scratch_folder_ = pattern;
  std::filesystem::current_path(scratch_folder_);
}

void DecodeTest::use_lambda_unit(int index) {
  work_in_scratch_folder();
  ASSERT_TRUE(ecu::FrmEcu().select_lambda_unit(index));
}

}  // namespace test
