#pragma once
// A controller on the other end of a pseudo-terminal, for tests and benchmarks of the link.
// The console opens the terminal's device like any serial port (the constructor points
// ECU_COM<n> at it); a background thread checks each 8-byte request frame and answers it
// with a reply frame laid out from the protocol's field definitions. It can be told to
// misbehave in the ways a real line does.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "sim/calibration.hpp"
#include "sim/controller_settings.hpp"
#include "sim/line_time.hpp"

namespace sim {

enum class Misbehaviour {
  none,
  silent,              // no answer at all
  bad_sum_low,         // the low byte of the sum is off by one bit
  bad_sum_high,        // the high byte of the sum is off by one bit
  wrong_length_byte,   // the length byte is one more than the frame
  extra_bytes,         // two bytes follow a good frame
  short_frame,         // the last two bytes never come
  garbage,             // bytes that are no frame, of the frame's length
  garbage_before,      // a few bytes that are no frame come before a good frame
  extra_payload_byte,  // one payload byte too many; length byte and sum count it
  late,                // the answer goes out kLateAnswerSeconds after its request
  stray_frame_before,  // a whole frame of another type (the old monitor frame, which no
                       // request asks for) comes just before a good frame
};

// How much later than usual a `late` answer goes out: past one attempt's wait.
constexpr double kLateAnswerSeconds = 0.15;

// The base configuration block ('C'), in the controller's own units.
struct BaseConfig {
  std::uint16_t ego_secs = 30;
  std::uint16_t acc_rate = 819;
  std::uint16_t min_pres = 512;
  std::uint8_t ego_rate = 10;
  std::uint16_t acc_sen = 100;
  std::uint16_t fs_rpm = 8000;
  std::uint8_t options = 0x01;
  std::uint8_t trgs_rev = 2;
  std::uint8_t map_type = 0xC2;
};

// Which time the controller keeps: the tests' (sim/line_time.hpp), where its answers
// in time always come within the console's wait, or the system's, for the benchmarks and the
// standalone program, which measure or serve the real line.
enum class ControllerTime { tests, system };

class SimulatedController {
 public:
  // Opens a pseudo-terminal and sets ECU_COM<com_number> to its device.
  explicit SimulatedController(int com_number = 1, ControllerTime time = ControllerTime::tests);
  ~SimulatedController();
  SimulatedController(const SimulatedController&) = delete;
  SimulatedController& operator=(const SimulatedController&) = delete;

  [[nodiscard]] const std::string& device_path() const { return device_path_; }

  static constexpr int kEveryReply = -1;
  // Misbehaves on the next `replies` answers (or on all of them), then answers well again.
  void set_misbehaviour(Misbehaviour behaviour, int replies = kEveryReply);
  // Every answer goes out this long after its request arrived.
  void set_reply_delay(double seconds);
  // Paces the line as a real one at `baud`: each reply byte goes out 10 bit times after the
  // one before (0.26 ms at 38400), one reply after the other, and a request is answered only
  // once its 8 bytes could have crossed the wire. 0, the default, answers each request at
  // once with the whole reply.
  void set_line_rate(int baud);
  // Every `every`-th answer from now on misbehaves this way (every <= 0 stops it); the
  // answers between are good. Counts the requests it takes up (ignored ones not), a
  // dropped answer included. With `first_code`, the first fault falls on the next request
  // of that code and the count starts there, so in a fixed cycle of requests the faults
  // fall on that request's place.
  void inject_fault(Misbehaviour behaviour, int every,
                    std::optional<std::uint8_t> first_code = std::nullopt);
  // Every `every`-th answer from now on (every <= 0 stops it) comes after a burst of `bytes`
  // bytes of noise made of its own head again and again: a random byte, its length byte, its
  // type and its next two bytes (a memory reply's address), then 0 to 3 random bytes.
  void inject_head_bursts(std::size_t bytes, int every);
  // Answers sent since the start, and those given a fault by inject_fault.
  std::size_t answer_count() const;
  std::size_t injected_fault_count() const;
  // The next `count` good requests get no answer (a controller that answers only at the
  // attempt count + 1).
  void ignore_requests(int count);
  // Answers the next `count` good requests and then none (kEveryReply: all again).
  void answer_only(int count);
  void set_base_config(const BaseConfig& config);
  // From now on every request with this code is answered with this payload (bytes 3 on,
  // laid out by sim/controller_replies.hpp); it takes precedence over the built-in
  // layouts. The live, status and monitor replies start with the payloads of
  // sim/controller_reply_defaults.hpp.
  void set_reply_payload(std::uint8_t code, std::string payload);
  // Dyno mode, or any run of changing replies: requests with this code get these payloads
  // one after another, and the last one again from then on.
  void play_reply_sequence(std::uint8_t code, std::vector<std::string> payloads);

  // The single settings, tables and blocks read and written one command at a time.
  ControllerSettings& settings() { return settings_; }

  // The calibration: the memory and the kept settings blocks. A calibration that holds the
  // base configuration and fuel parameter blocks has their writes kept too
  // (sim/controller_settings.hpp).
  [[nodiscard]] Calibration calibration() const;
  void set_calibration(const Calibration& calibration);
  // Writes that stored a byte of memory or a setting since the start; a program that keeps
  // the calibration in a file saves it when this count moves.
  [[nodiscard]] std::size_t calibration_write_count() const;

  // From now on the live replies ('A', 0x81, 0xB2, 0xCF, 0x98) are those of an engine going
  // round its drive cycle on this controller's time, from the calibration it holds
  // (sim/running_engine.hpp), ahead of any payload set for those codes. The tests' replies
  // stay still unless a test asks for this.
  void run_engine();

  std::uint8_t memory(std::uint16_t address) const;
  void set_memory(std::uint16_t address, std::uint8_t value);

  // Every byte the console wrote, in order, frames or not.
  std::string received_bytes() const;
  // Every well-formed request frame received (8 bytes each), in order.
  std::vector<std::string> request_frames() const;
  std::size_t request_count() const;
  // Every byte it put on the line so far, faulty replies included.
  std::size_t sent_byte_count() const;
  // Frames that started well but had a bad sum; they get no answer.
  std::size_t bad_request_count() const;
  // Waits up to `seconds` for `count` requests to have arrived.
  bool wait_for_requests(std::size_t count, double seconds) const;

  // Closes the terminal's master side, as an unplugged cable; returns once it is closed.
  void hang_up();

 private:
  struct PendingReply {
    double due;
    std::string bytes;
  };

  void run();
  void take_input(std::string& buffer);
  void handle_request(const std::string& frame, double now);
  bool fault_due(std::uint8_t code);
  void schedule(std::string reply, double start);
  std::string build_reply(const std::string& frame);
  void write_to_master(const std::string& bytes);
  void wake();
  [[nodiscard]] double now() const;
  [[nodiscard]] std::optional<double> earliest_due() const;

  int com_number_;
  std::string device_path_;
  int master_fd_ = -1;
  int slave_fd_ = -1;
  int wake_fd_ = -1;

  mutable std::mutex mutex_;
  mutable std::condition_variable requests_changed_;
  bool stop_ = false;
  bool hang_up_requested_ = false;
  bool hung_up_ = false;
  Misbehaviour misbehaviour_ = Misbehaviour::none;
  int misbehaviour_replies_ = kEveryReply;
  double reply_delay_ = 0.0;
  int ignore_count_ = 0;
  double byte_seconds_ = 0.0;  // 0: the line is not paced
  double line_free_at_ = 0.0;  // when the last paced byte has gone out
  Misbehaviour injected_fault_ = Misbehaviour::none;
  int inject_every_ = 0;
  std::optional<std::uint8_t> inject_first_code_;
  std::optional<std::size_t> answers_since_first_fault_;
  std::size_t answers_ = 0;
  std::size_t burst_bytes_ = 0;
  int burst_every_ = 0;
  std::mt19937 burst_random_{40};
  std::size_t injected_faults_ = 0;
  int answers_left_ = kEveryReply;
  BaseConfig base_config_;
  std::map<std::uint8_t, std::string> reply_payloads_;
  std::map<std::uint8_t, std::vector<std::string>> reply_sequences_;
  std::vector<std::uint8_t> memory_;
  std::size_t memory_writes_ = 0;
  bool settings_hold_configuration_ = false;  // 'B' and 'C' from the settings, not the test's
  std::optional<double> engine_started_at_;   // none: the live replies stand still
  ControllerSettings settings_;
  std::string received_bytes_;
  std::size_t sent_bytes_ = 0;
  std::vector<std::string> requests_;
  std::size_t bad_requests_ = 0;
  std::vector<PendingReply> pending_;  // touched by the thread only
  std::unique_ptr<LineTime> time_;     // none: the system's time

  std::thread thread_;
};

}  // namespace sim
