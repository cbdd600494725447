// The byte sequences that cost requests extra attempts, another request's answer or the
// failure dialog, replayed on a fake line paced at 38400 baud on a manual clock (exact and the
// same on every run), delivered byte by byte and in chunks: prints the attempts each request
// took and whether it decoded an answer to itself. Then seeded bursts of the answer's own
// head (16, 40 and 100 bytes) before correct answers, a quarter of them cut by the time-out:
// the attempts the first request took, the failure dialogs, and the next requests that did
// not take their own answer at their first attempt.
//
// Usage: link_sequences_bench [burst cases of each length and code, default 200]

#include <stdlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/paced_line.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_dialog.hpp"
#include "support/fake_serial_port.hpp"
#include "support/tick_form.hpp"
#include "ui/ui.hpp"

namespace {

using test::kByteSeconds;
using test::PacedLine;

std::string bytes(std::initializer_list<int> values) {
  std::string result;
  for (const int value : values) result += static_cast<char>(value);
  return result;
}

std::string reply_frame(int type, const std::string& payload) {
  std::string frame = bytes({0x02, static_cast<int>(payload.size()) + 5, type}) + payload;
  unsigned sum = 0;
  for (const char byte : frame) sum += static_cast<unsigned char>(byte);
  return frame + bytes({static_cast<int>(sum & 0xFFU), static_cast<int>(sum >> 8)});
}

// The console from program start on a paced fake line; counts the failure dialogs it answers
// "Try Again".
class Console {
 public:
  Console(bool byte_by_byte, const PacedLine::Controller& controller) {
    ui::discard_all_forms();
    ecu::reset_shared_state();
    ecu::reset_link_state();
    clock_ = std::make_shared<ui::ManualClock>();
    ui::install_clock(clock_);
    line_ = test::install_fake_serial_port();
    paced_ = std::make_unique<PacedLine>(*line_, *clock_, byte_by_byte, controller);
    watch_ = std::make_unique<test::TickForm>(1, [this] {
      if (!ecu::frm_Dialog.loaded() || !ecu::frm_Dialog().visible()) return;
      ++dialogs;
      ecu::frm_Dialog().dialog_button[0].click();
    });
    ecu::com_port = 1;
    ecu::open_comm_link();
  }
  ~Console() {
    watch_.reset();
    ui::discard_all_forms();
    ecu::set_serial_port_factory(nullptr);
    ui::install_clock(nullptr);
  }
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // The attempts `command` took; 0 when none was answered.
  std::size_t attempts(const std::string& command) {
    const std::size_t before = line_->writes.size();
    ecu::send_command(command);
    return ecu::reply_received == -1 ? line_->writes.size() - before : 0;
  }
  [[nodiscard]] std::size_t frames() const { return line_->writes.size(); }

  int dialogs = 0;

 private:
  std::shared_ptr<ui::ManualClock> clock_;
  std::shared_ptr<test::FakeLine> line_;
  std::unique_ptr<PacedLine> paced_;
  std::unique_ptr<test::TickForm> watch_;
};

const char* delivery(bool byte_by_byte) {
  return byte_by_byte ? "byte by byte" : "in chunks";
}

// 0x0E answering frame n with 3591 (07 0E) up to `last_3591`, 3600 + n after.
std::string crank_rpm_answer(std::size_t frame, std::size_t last_3591) {
  const int value = frame <= last_3591 ? 3591 : 3600 + static_cast<int>(frame);
  return reply_frame(0x0E, bytes({value & 0xFF, value >> 8}));
}

// Whether the 0x0E value decoded answers one of the frames after `before`.
bool crank_rpm_answers_one_of(std::size_t before, std::size_t last, std::size_t last_3591) {
  for (std::size_t frame = before + 1; frame <= last; ++frame) {
    if (ecu::crk_rpmh == (frame <= last_3591 ? 3591 : 3600 + static_cast<int>(frame))) return true;
  }
  return false;
}

void look_alike_before_the_answer(bool byte_by_byte) {
  for (const double delay : {0.0, 0.001, 0.006, 0.04}) {
    Console console(byte_by_byte, [delay](PacedLine& line, std::size_t frame, double at) {
      if (frame == 1) line.send(bytes({0x00, 0x07, 0x0E, 0, 0, 0, 0}), at + 0.0003);
      line.send(crank_rpm_answer(frame, 2), at + 8 * kByteSeconds + delay);
    });
    std::printf("  answered %4.1f ms after the request is in:", delay * 1000);
    for (int request = 1; request <= 3; ++request) {
      const std::size_t before = console.frames();
      const std::size_t attempts = console.attempts(bytes({0x0E}));
      const bool own = crank_rpm_answers_one_of(before, console.frames(), 2);
      std::printf(" %zu%s", attempts, own ? "" : " (another's answer)");
    }
    std::printf(", %d dialogs\n", console.dialogs);
  }
}

void live_data_after_a_long_look_alike(bool byte_by_byte) {
  Console console(byte_by_byte, [](PacedLine& line, std::size_t frame, double at) {
    if (frame == 1) line.send(bytes({0x00, 0x41, 0x41}) + std::string(62, '\0'), at + 0.0003);
    std::string payload = bytes({0x41, 0x41, 0, static_cast<int>(frame), 0});
    payload.resize(60, ' ');
    line.send(reply_frame('A', payload), at + 8 * kByteSeconds + 0.02);
  });
  std::printf("  attempts:");
  int others = 0;
  for (int request = 1; request <= 8; ++request) {
    const auto before = static_cast<long>(console.frames());
    const std::size_t attempts = console.attempts("A");
    const auto last = static_cast<long>(console.frames());
    if (ecu::o2_sensor_status <= before || ecu::o2_sensor_status > last) ++others;
    std::printf(" %zu", attempts);
  }
  std::printf("; %d of 8 took another request's answer\n", others);
}

void answer_cut_by_the_time_out(bool byte_by_byte) {
  for (const double pause : {0.0, 0.003}) {
    Console console(byte_by_byte, [pause](PacedLine& line, std::size_t frame, double at) {
      const std::string answer = crank_rpm_answer(frame, 1);
      if (frame == 1) line.hold_from(at + 0.0978);
      if (frame == 1) return line.send(answer, at + 0.0975);
      line.send(answer.substr(0, 2), at + 8 * kByteSeconds);
      line.send(answer.substr(2), at + 10 * kByteSeconds + pause);
    });
    const std::size_t first = console.attempts(bytes({0x0E}));
    const int first_value = static_cast<int>(ecu::crk_rpmh);
    const std::size_t next = console.attempts(bytes({0x0E}));
    std::printf(
        "  retry's answer pausing %.0f ms after its 2nd byte: %zu attempts (took %d), then "
        "%zu (took %d)\n",
        pause * 1000, first, first_value, next, static_cast<int>(ecu::crk_rpmh));
  }
}

void short_frame_inside_an_answer(bool byte_by_byte) {
  std::string payload(27, '\x10');
  payload.replace(15, 5, bytes({0x00, 0x05, 0x81, 0x86, 0x00}));
  const std::string answer = reply_frame(0x81, payload);
  for (const double pause : {0.0, 0.003}) {
    Console console(byte_by_byte, [answer, pause](PacedLine& line, std::size_t, double at) {
      line.send(answer.substr(0, 23), at + 8 * kByteSeconds);
      line.send(answer.substr(23), at + 31 * kByteSeconds + pause);
    });
    std::printf("  pausing %.0f ms after it: attempts", pause * 1000);
    for (int request = 1; request <= 3; ++request) {
      std::printf(" %zu", console.attempts(bytes({0x81})));
    }
    std::printf(", %d dialogs\n", console.dialogs);
  }
}

struct Code {
  std::string request;
  std::string payload;
  std::size_t number_at;
  std::function<long()> number;
};

void bursts_of_heads(bool byte_by_byte, int cases) {
  const std::array codes{
      Code{bytes({0x0E}), bytes({0x07, 0x0E}), 0, [] { return ecu::crk_rpmh - 0x0E00; }},
      Code{bytes({'E', 0x10, 0x01}), bytes({0x10, 0x01, 0}), 2, [] { return ecu::mem_value; }},
      Code{"A", bytes({0x41, 0x41, 0, 0, 0}) + std::string(55, 'A'), 3,
           [] { return ecu::o2_sensor_status; }}};
  std::mt19937 random(40);
  const auto draw = [&](unsigned below) { return static_cast<int>(random() % below); };
  for (const std::size_t burst : {16, 40, 100}) {
    std::map<std::size_t, int> first_attempts;
    int dialogs = 0;
    int next_not_own = 0;
    for (int n = 0; n < cases * static_cast<int>(codes.size()); ++n) {
      const Code& c = codes[static_cast<std::size_t>(n) % codes.size()];
      const int length = static_cast<int>(c.payload.size()) + 5;
      const test::HeadBurstCase burst_case(burst, length, c.request, draw);
      Console console(byte_by_byte, burst_case.controller([&c](std::size_t frame) {
        std::string payload = c.payload;
        payload[c.number_at] = static_cast<char>(frame);
        return reply_frame(c.request[0], payload);
      }));
      ++first_attempts[console.attempts(c.request)];
      const std::size_t next = console.attempts(c.request);
      if (next != 1 || c.number() != static_cast<long>(console.frames())) ++next_not_own;
      dialogs += console.dialogs;
    }
    std::printf("  %3zu-byte bursts, %d requests: attempts", burst,
                cases * static_cast<int>(codes.size()));
    for (const auto& [attempts, count] : first_attempts) {
      std::printf(" %zux%d", attempts == 0 ? std::size_t{10} : attempts, count);
    }
    std::printf("; %d failure dialogs; %d next requests without their own answer at once\n",
                dialogs, next_not_own);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int cases = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  std::string folder = (std::filesystem::temp_directory_path() / "sequences-bench-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) return 1;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  ui::install_presenter(std::make_shared<ui::ScriptedPresenter>());
  for (const bool byte_by_byte : {true, false}) {
    std::printf("delivered %s\n", delivery(byte_by_byte));
    std::printf(" 0x0E after 00 07 0E 00 00 00 00 0.3 ms after the request, three requests:\n");
    look_alike_before_the_answer(byte_by_byte);
    std::printf(" eight 'A' back to back after a 65-byte look-alike:\n");
    live_data_after_a_long_look_alike(byte_by_byte);
    std::printf(" 0x0E answered 97.5 ms late, cut by the time-out (02 | 07 0E 07 0E 2C 00):\n");
    answer_cut_by_the_time_out(byte_by_byte);
    std::printf(" monitor frame holding 00 05 81 86 00, three requests:\n");
    short_frame_inside_an_answer(byte_by_byte);
    std::printf(" bursts of the answer's own head before correct answers:\n");
    bursts_of_heads(byte_by_byte, cases);
  }
  ui::discard_all_forms();
  std::filesystem::current_path(previous);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return 0;
}
