#include "sim/simulated_controller.hpp"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <stdexcept>

#include "sim/controller_replies.hpp"
#include "sim/controller_reply_defaults.hpp"
#include "sim/pseudo_terminal.hpp"
#include "sim/running_engine.hpp"

namespace sim {
namespace {

constexpr std::size_t kRequestLength = 8;
constexpr std::uint8_t kStartByte = 0x02;
constexpr double kBitsPerByte = 10.0;  // start bit, 8 data bits, stop bit
const std::string kGarbageBefore("\x55\xAA\x13", 3);
constexpr std::uint8_t kStrayFrameType = 0xB2;

void append_word(std::string& bytes, unsigned value) {
  bytes += static_cast<char>(value & 0xFFU);
  bytes += static_cast<char>((value >> 8) & 0xFFU);
}

void append_byte(std::string& bytes, unsigned value) {
  bytes += static_cast<char>(value & 0xFFU);
}

unsigned byte_at(const std::string& bytes, std::size_t index) {
  return static_cast<unsigned char>(bytes[index]);
}

// What the controller knows, handed to the reply layouts.
struct ControllerModel {
  const BaseConfig& base_config;
  std::vector<std::uint8_t>& memory;
  ControllerSettings& settings;
  bool settings_hold_configuration;
  std::size_t& memory_writes;
};

// Payload (bytes 3 onward) of a reply, from the request's three payload bytes.
using PayloadBuilder = std::string (*)(ControllerModel& model, unsigned p1, unsigned p2,
                                       unsigned p3);

// The base configuration ('C') and the fuel parameters ('B') as the settings keep them when
// a calibration set on the controller held them, else as a test set them.
std::string base_config_payload(ControllerModel& model, unsigned, unsigned, unsigned) {
  if (model.settings_hold_configuration) return model.settings.block('C');
  return base_config_block_payload(model.base_config);
}

std::string fuel_params_layout(ControllerModel& model, unsigned, unsigned, unsigned) {
  if (model.settings_hold_configuration) return model.settings.block('B');
  return fuel_params_payload(FuelParams{});
}

// Address low and high (bytes 3-4), then `Count` stored bytes from that address.
template <unsigned Count>
std::string memory_payload(ControllerModel& model, unsigned low, unsigned high, unsigned) {
  std::string payload;
  append_byte(payload, low);
  append_byte(payload, high);
  const unsigned address = low + 256 * high;
  for (unsigned k = 0; k < Count; ++k) {
    append_byte(payload, model.memory[(address + k) % kMemorySize]);
  }
  return payload;
}

// A one-byte write stores the byte, then echoes it like a read.
std::string memory_write_payload(ControllerModel& model, unsigned low, unsigned high,
                                 unsigned value) {
  model.memory[low + 256 * high] = static_cast<std::uint8_t>(value);
  ++model.memory_writes;
  return memory_payload<1>(model, low, high, 0);
}

// A crank-wheel capture page, by the page number of the request.
std::string wheel_page_layout(ControllerModel&, unsigned page, unsigned, unsigned) {
  return wheel_page_reply_payload(page);
}

// The reset and reflash answer repeats the action's key byte.
std::string action_answer_payload(ControllerModel&, unsigned key, unsigned, unsigned) {
  return std::string(1, static_cast<char>(key));
}

struct ReplyLayout {
  std::uint8_t code;
  unsigned n;  // bytes before the sum
  PayloadBuilder payload;
};

constexpr std::array kReplyLayouts{
    ReplyLayout{'B', 12, &fuel_params_layout},    ReplyLayout{'C', 21, &base_config_payload},
    ReplyLayout{'E', 6, &memory_payload<1>},      ReplyLayout{'e', 6, &memory_write_payload},
    ReplyLayout{'r', 14, &memory_payload<9>},     ReplyLayout{'q', 21, &memory_payload<16>},
    ReplyLayout{'k', 32, &memory_payload<27>},    ReplyLayout{'l', 37, &memory_payload<32>},
    ReplyLayout{0xAE, 4, &action_answer_payload}, ReplyLayout{0xF8, 34, &wheel_page_layout},
};

std::string apply(Misbehaviour behaviour, std::string reply) {
  const std::size_t length = reply.size();
  switch (behaviour) {
    case Misbehaviour::bad_sum_low:
      reply[length - 2] = static_cast<char>(byte_at(reply, length - 2) ^ 0x01U);
      break;
    case Misbehaviour::bad_sum_high:
      reply[length - 1] = static_cast<char>(byte_at(reply, length - 1) ^ 0x01U);
      break;
    case Misbehaviour::wrong_length_byte:
      reply[1] = static_cast<char>(byte_at(reply, 1) + 1);
      break;
    case Misbehaviour::extra_bytes:
      reply += std::string(2, '\0');
      break;
    case Misbehaviour::short_frame:
      reply.resize(length - 2);
      break;
    case Misbehaviour::garbage:
      for (std::size_t i = 0; i < length; ++i) reply[i] = static_cast<char>(0xA5U ^ (i * 37U));
      break;
    case Misbehaviour::garbage_before:
      reply.insert(0, kGarbageBefore);
      break;
    case Misbehaviour::stray_frame_before:
      reply.insert(0, reply_frame(kStrayFrameType, default_reply_payloads().at(kStrayFrameType)));
      break;
    case Misbehaviour::extra_payload_byte: {
      // Rebuilt with one more payload byte, so length byte and sum agree with the frame.
      std::string longer = reply.substr(0, length - 2) + '\x5A';
      longer[1] = static_cast<char>(byte_at(longer, 1) + 1);
      unsigned sum = 0;
      for (const char byte : longer) sum += static_cast<unsigned char>(byte);
      append_word(longer, sum);
      reply = std::move(longer);
      break;
    }
    case Misbehaviour::none:
    case Misbehaviour::silent:
    case Misbehaviour::late:
      break;
  }
  return reply;
}

// A reply's own head again and again, `bytes` long: a random byte, its bytes 1 to 4, then 0
// to 3 random bytes.
std::string head_burst(const std::string& reply, std::size_t bytes, std::mt19937& random) {
  std::string burst;
  while (burst.size() < bytes) {
    burst += static_cast<char>(random() % 256);
    burst += reply.substr(1, 4);
    for (auto extra = random() % 4; extra > 0; --extra) burst += static_cast<char>(random() % 256);
  }
  burst.resize(bytes);
  return burst;
}

}  // namespace

SimulatedController::SimulatedController(int com_number, ControllerTime time)
    : com_number_(com_number), memory_(kMemorySize, 0) {
  reply_payloads_ = default_reply_payloads();
  const PseudoTerminal terminal = open_com_terminal(com_number_);
  master_fd_ = terminal.master_fd;
  slave_fd_ = terminal.slave_fd;
  device_path_ = terminal.device_path;
  wake_fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (time == ControllerTime::tests) time_ = std::make_unique<LineTime>(com_number_, slave_fd_);
  thread_ = std::thread([this] { run(); });
}

SimulatedController::~SimulatedController() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake();
  thread_.join();
  time_.reset();
  if (master_fd_ >= 0) ::close(master_fd_);
  ::close(slave_fd_);
  ::close(wake_fd_);
  release_com_variable(com_number_, device_path_);
}

void SimulatedController::set_misbehaviour(Misbehaviour behaviour, int replies) {
  const std::lock_guard lock(mutex_);
  misbehaviour_ = behaviour;
  misbehaviour_replies_ = replies;
}

void SimulatedController::set_reply_delay(double seconds) {
  const std::lock_guard lock(mutex_);
  reply_delay_ = seconds;
}

void SimulatedController::set_line_rate(int baud) {
  const std::lock_guard lock(mutex_);
  byte_seconds_ = baud > 0 ? kBitsPerByte / baud : 0.0;
}

void SimulatedController::inject_fault(Misbehaviour behaviour, int every,
                                       std::optional<std::uint8_t> first_code) {
  const std::lock_guard lock(mutex_);
  injected_fault_ = behaviour;
  inject_every_ = every;
  inject_first_code_ = first_code;
  answers_since_first_fault_.reset();
}

// Called with the lock held, once per answer.
bool SimulatedController::fault_due(std::uint8_t code) {
  if (inject_every_ <= 0) return false;
  const auto every = static_cast<std::size_t>(inject_every_);
  if (!inject_first_code_) return (answers_ + 1) % every == 0;
  if (!answers_since_first_fault_) {
    if (code != *inject_first_code_) return false;
    answers_since_first_fault_ = 0;
  }
  return (*answers_since_first_fault_)++ % every == 0;
}

void SimulatedController::inject_head_bursts(std::size_t bytes, int every) {
  const std::lock_guard lock(mutex_);
  burst_bytes_ = bytes;
  burst_every_ = every;
}

std::size_t SimulatedController::answer_count() const {
  const std::lock_guard lock(mutex_);
  return answers_;
}

std::size_t SimulatedController::injected_fault_count() const {
  const std::lock_guard lock(mutex_);
  return injected_faults_;
}

void SimulatedController::ignore_requests(int count) {
  const std::lock_guard lock(mutex_);
  ignore_count_ = count;
}

void SimulatedController::answer_only(int count) {
  const std::lock_guard lock(mutex_);
  answers_left_ = count;
}

void SimulatedController::set_base_config(const BaseConfig& config) {
  const std::lock_guard lock(mutex_);
  base_config_ = config;
}

void SimulatedController::set_reply_payload(std::uint8_t code, std::string payload) {
  const std::lock_guard lock(mutex_);
  reply_payloads_[code] = std::move(payload);
}

void SimulatedController::play_reply_sequence(std::uint8_t code,
                                              std::vector<std::string> payloads) {
  const std::lock_guard lock(mutex_);
  reply_sequences_[code] = std::move(payloads);
}

std::uint8_t SimulatedController::memory(std::uint16_t address) const {
  const std::lock_guard lock(mutex_);
  return memory_[address];
}

void SimulatedController::set_memory(std::uint16_t address, std::uint8_t value) {
  const std::lock_guard lock(mutex_);
  memory_[address] = value;
}

Calibration SimulatedController::calibration() const {
  const std::lock_guard lock(mutex_);
  return {memory_, settings_.blocks()};
}

void SimulatedController::set_calibration(const Calibration& calibration) {
  if (calibration.memory.size() != kMemorySize) throw std::invalid_argument("memory of wrong size");
  const std::lock_guard lock(mutex_);
  memory_ = calibration.memory;
  settings_.set_blocks(calibration.settings);
  // Both blocks, of their reply lengths, or the test's replies answer them.
  const auto holds = [&](std::uint8_t code, std::size_t length) {
    const auto block = calibration.settings.find(code);
    return block != calibration.settings.end() && block->second.size() == length;
  };
  settings_hold_configuration_ = holds('B', 9) && holds('C', 18);
}

std::size_t SimulatedController::calibration_write_count() const {
  const std::lock_guard lock(mutex_);
  return memory_writes_ + settings_.stored_write_count();
}

void SimulatedController::run_engine() {
  const double start = now();
  const std::lock_guard lock(mutex_);
  engine_started_at_ = start;
}

std::string SimulatedController::received_bytes() const {
  const std::lock_guard lock(mutex_);
  return received_bytes_;
}

std::vector<std::string> SimulatedController::request_frames() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

std::size_t SimulatedController::request_count() const {
  const std::lock_guard lock(mutex_);
  return requests_.size();
}

std::size_t SimulatedController::sent_byte_count() const {
  const std::lock_guard lock(mutex_);
  return sent_bytes_;
}

std::size_t SimulatedController::bad_request_count() const {
  const std::lock_guard lock(mutex_);
  return bad_requests_;
}

bool SimulatedController::wait_for_requests(std::size_t count, double seconds) const {
  std::unique_lock lock(mutex_);
  return requests_changed_.wait_for(lock, std::chrono::duration<double>(seconds),
                                    [&] { return requests_.size() >= count; });
}

void SimulatedController::hang_up() {
  std::unique_lock lock(mutex_);
  hang_up_requested_ = true;
  lock.unlock();
  wake();
  lock.lock();
  requests_changed_.wait(lock, [&] { return hung_up_; });
}

double SimulatedController::now() const {
  if (time_) return time_->now();
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::optional<double> SimulatedController::earliest_due() const {
  std::optional<double> earliest;
  for (const PendingReply& reply : pending_) {
    if (!earliest || reply.due < *earliest) earliest = reply.due;
  }
  return earliest;
}

void SimulatedController::wake() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(wake_fd_, &one, sizeof one);
}

void SimulatedController::run() {
  // Paced bytes go out when due, not up to the default 50 us later.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  std::string buffer;
  while (true) {
    {
      const std::lock_guard lock(mutex_);
      if (stop_) return;
      if (hang_up_requested_ && !hung_up_) {
        if (time_) time_->hang_up();
        ::close(master_fd_);
        master_fd_ = -1;
        pending_.clear();
        hung_up_ = true;
        requests_changed_.notify_all();
      }
    }
    // Answers that fell due go out in the order they were made.
    const double now = this->now();
    double next_due = -1;
    for (auto it = pending_.begin(); it != pending_.end();) {
      if (it->due <= now) {
        write_to_master(it->bytes);
        it = pending_.erase(it);
      } else {
        next_due = next_due < 0 ? it->due : std::min(next_due, it->due);
        ++it;
      }
    }
    if (time_) time_->set_next_due(earliest_due());
    std::array<pollfd, 2> watched{{{wake_fd_, POLLIN, 0}, {master_fd_, POLLIN, 0}}};
    const nfds_t count = master_fd_ >= 0 ? 2 : 1;
    timespec timeout{};
    timespec* timeout_pointer = nullptr;
    if (next_due >= 0) {
      const double wait = std::max(0.0, next_due - now);
      timeout.tv_sec = static_cast<std::time_t>(wait);
      timeout.tv_nsec = static_cast<long>((wait - std::floor(wait)) * 1e9);
      timeout_pointer = &timeout;
    }
    if (::ppoll(watched.data(), count, timeout_pointer, nullptr) < 0 && errno != EINTR) return;
    if ((watched[0].revents & POLLIN) != 0) {
      std::uint64_t ignored = 0;
      [[maybe_unused]] const auto got = ::read(wake_fd_, &ignored, sizeof ignored);
    }
    if (count == 2 && (watched[1].revents & POLLIN) != 0) take_input(buffer);
  }
}

void SimulatedController::take_input(std::string& buffer) {
  std::array<char, 4096> chunk{};
  std::size_t taken = 0;
  while (true) {
    const ssize_t got = ::read(master_fd_, chunk.data(), chunk.size());
    if (got <= 0) break;
    buffer.append(chunk.data(), static_cast<std::size_t>(got));
    taken += static_cast<std::size_t>(got);
    const std::lock_guard lock(mutex_);
    received_bytes_.append(chunk.data(), static_cast<std::size_t>(got));
  }
  // The requests count as taken only once their answers are written or scheduled, so the
  // tests' time cannot pass an answer's due time before it is known.
  const double now = this->now();
  // Frames are found by their first two bytes; anything else is skipped byte by byte.
  while (!buffer.empty()) {
    if (byte_at(buffer, 0) != kStartByte) {
      buffer.erase(0, 1);
      continue;
    }
    if (buffer.size() < 2) break;
    if (byte_at(buffer, 1) != kRequestLength) {
      buffer.erase(0, 1);
      continue;
    }
    if (buffer.size() < kRequestLength) break;
    const std::string frame = buffer.substr(0, kRequestLength);
    buffer.erase(0, kRequestLength);
    unsigned sum = 0;
    for (std::size_t i = 0; i < 6; ++i) sum += byte_at(frame, i);
    if (byte_at(frame, 6) != (sum & 0xFFU) || byte_at(frame, 7) != (sum >> 8)) {
      const std::lock_guard lock(mutex_);
      ++bad_requests_;
      continue;
    }
    handle_request(frame, now);
  }
  if (time_) time_->took(taken, earliest_due());
}

void SimulatedController::handle_request(const std::string& frame, double now) {
  std::string reply;
  double start = now;
  {
    const std::lock_guard lock(mutex_);
    requests_.push_back(frame);
    requests_changed_.notify_all();
    if (ignore_count_ > 0) {
      --ignore_count_;
      return;
    }
    if (answers_left_ == 0) return;
    if (answers_left_ > 0) --answers_left_;
    Misbehaviour behaviour = misbehaviour_;
    if (misbehaviour_replies_ > 0 && --misbehaviour_replies_ == 0) {
      misbehaviour_ = Misbehaviour::none;
    }
    const bool injected = fault_due(static_cast<std::uint8_t>(frame[2]));
    if (injected) behaviour = injected_fault_;
    ++answers_;
    if (injected) ++injected_faults_;
    if (behaviour == Misbehaviour::silent) return;
    reply = build_reply(frame);
    if (reply.empty()) return;  // a code this controller has no layout for
    reply = apply(behaviour, std::move(reply));
    if (burst_every_ > 0 && answers_ % static_cast<std::size_t>(burst_every_) == 0) {
      reply.insert(0, head_burst(reply, burst_bytes_, burst_random_));
    }
    // On a paced line the request itself takes its 8 byte times to arrive; a line that is
    // not paced is answered at once, as a simulator or a native-USB controller does.
    start += reply_delay_ + byte_seconds_ * static_cast<double>(kRequestLength);
    if (behaviour == Misbehaviour::late) start += kLateAnswerSeconds;
  }
  schedule(std::move(reply), start);
}

void SimulatedController::schedule(std::string reply, double start) {
  double byte_seconds = 0;
  {
    const std::lock_guard lock(mutex_);
    byte_seconds = byte_seconds_;
  }
  if (byte_seconds <= 0) {
    if (start <= now()) {
      write_to_master(reply);
    } else {
      pending_.push_back({start, std::move(reply)});
    }
    return;
  }
  // One byte at a time, each when its last bit has crossed the wire; a reply waits for the
  // one before it to finish.
  double due = std::max(start, line_free_at_);
  for (const char byte : reply) {
    due += byte_seconds;
    pending_.push_back({due, std::string(1, byte)});
  }
  line_free_at_ = due;
}

std::string SimulatedController::build_reply(const std::string& frame) {
  const auto code = static_cast<std::uint8_t>(frame[2]);
  if (auto played = reply_sequences_.find(code);
      played != reply_sequences_.end() && !played->second.empty()) {
    std::vector<std::string>& payloads = played->second;
    const std::string reply = reply_frame(code, payloads.front());
    if (payloads.size() > 1) payloads.erase(payloads.begin());
    return reply;
  }
  ControllerModel model{base_config_, memory_, settings_, settings_hold_configuration_,
                        memory_writes_};
  if (engine_started_at_) {
    const EngineCalibration calibration{memory_, fuel_params_layout(model, 0, 0, 0),
                                        base_config_payload(model, 0, 0, 0)};
    const EngineReadings readings = engine_readings(now() - *engine_started_at_, calibration);
    if (auto payload = engine_reply_payload(code, readings)) return reply_frame(code, *payload);
  }
  if (const auto scripted = reply_payloads_.find(code); scripted != reply_payloads_.end()) {
    std::string reply;
    append_byte(reply, kStartByte);
    append_byte(reply, static_cast<unsigned>(scripted->second.size()) + 5);
    append_byte(reply, code);
    reply += scripted->second;
    unsigned sum = 0;
    for (const char byte : reply) sum += static_cast<unsigned char>(byte);
    append_word(reply, sum);
    return reply;
  }
  for (const ReplyLayout& layout : kReplyLayouts) {
    if (layout.code != code) continue;
    const std::string payload =
        layout.payload(model, byte_at(frame, 3), byte_at(frame, 4), byte_at(frame, 5));
    if (payload.size() + 3 != layout.n) throw std::logic_error("reply layout of wrong length");
    std::string reply;
    append_byte(reply, kStartByte);
    append_byte(reply, layout.n + 2);
    append_byte(reply, code);
    reply += payload;
    unsigned sum = 0;
    for (const char byte : reply) sum += static_cast<unsigned char>(byte);
    append_word(reply, sum);
    return reply;
  }
  if (const auto setting =
          settings_.answer(code, byte_at(frame, 3), byte_at(frame, 4), byte_at(frame, 5))) {
    return reply_frame(code, *setting);
  }
  return {};
}

void SimulatedController::write_to_master(const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size() && master_fd_ >= 0) {
    const ssize_t done = ::write(master_fd_, bytes.data() + sent, bytes.size() - sent);
    if (done > 0) {
      sent += static_cast<std::size_t>(done);
      if (time_) time_->wrote(static_cast<std::size_t>(done));
    } else if (done < 0 && errno == EAGAIN) {
      pollfd writable{master_fd_, POLLOUT, 0};
      ::poll(&writable, 1, 10);
    } else {
      break;
    }
  }
  const std::lock_guard lock(mutex_);
  sent_bytes_ += sent;
}

}  // namespace sim
