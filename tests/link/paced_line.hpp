#pragma once
// A fake serial line paced at 38400 baud on the tests' manual clock, for sequences whose
// timing matters: what the controller sends lands byte after byte as on the wire.

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "support/fake_serial_port.hpp"
#include "ui/clock.hpp"

namespace test {

constexpr double kByteSeconds = 10.0 / 38400.0;

// The controller's side of a fake line: what it sends goes out byte after byte, each landing
// when its last bit is in, and reaches the link when the link counts or waits: one byte at a
// time, or all that landed (a USB adapter hands over what came within a millisecond, the
// link's longest idle step). Bytes landing after `hold_from` wait for the next request and
// land 0.3 ms after it, as an adapter holding them would hand them over.
class PacedLine {
 public:
  // Called at every request written: the number of the frame (1 for the first), its time.
  using Controller = std::function<void(PacedLine&, std::size_t, double)>;

  PacedLine(FakeLine& fake, ui::ManualClock& clock, bool byte_by_byte, Controller controller)
      : clock_(clock), byte_by_byte_(byte_by_byte) {
    fake.responder = [this, controller](FakeLine& l, const std::string&) {
      const double now = clock_.monotonic_seconds();
      for (Landing& landing : landing_) {
        if (landing.held) landing = {now + 0.0003, landing.byte, false};
      }
      hold_from_.reset();
      controller(*this, l.writes.size(), now);
    };
    fake.before_count = [this](FakeLine& l) { hand_over(l); };
    fake.on_wait = [this](FakeLine& l) { hand_over(l); };
  }

  void send(const std::string& sent, double start) {
    double due = std::max(start, line_free_);
    for (const char byte : sent) {
      due += kByteSeconds;
      landing_.push_back({due, byte, hold_from_ && due > *hold_from_});
    }
    line_free_ = due;
  }
  void hold_from(double time) { hold_from_ = time; }

 private:
  struct Landing {
    double due;
    char byte;
    bool held;
  };
  void hand_over(FakeLine& l) {
    while (!landing_.empty() && !landing_.front().held &&
           landing_.front().due <= clock_.monotonic_seconds()) {
      l.input += landing_.front().byte;
      landing_.pop_front();
      if (byte_by_byte_) return;
    }
  }

  ui::ManualClock& clock_;
  bool byte_by_byte_;
  std::deque<Landing> landing_;
  double line_free_ = 0;
  std::optional<double> hold_from_;
};

// A controller that answers right after noise made of heads of its own answer (any byte, the
// answer's length, the request's code and address), each followed by 0-3 random bytes, so
// that every head looks like the start of the answer. The answer comes up to 20 ms late;
// one case in four sends the noise so late that the time-out cuts it at a random byte and an
// adapter holds the rest. Later requests are answered at once. `draw(n)` gives a random
// number below n; `answer(frame)` is the right answer to request frame `frame`.
struct HeadBurstCase {
  HeadBurstCase(std::size_t size, int length, const std::string& request,
                const std::function<int(unsigned)>& draw) {
    while (noise.size() < size) {
      noise += static_cast<char>(draw(256));
      noise += static_cast<char>(length);
      noise += request.substr(0, 3);
      for (int k = draw(4); k > 0; --k) noise += static_cast<char>(draw(256));
    }
    noise.resize(size);
    delay = draw(3) == 0 ? 0.0 : draw(200) * 0.0001;
    cut = draw(4) == 0;
    cut_at = draw(static_cast<unsigned>(size) + 3);
  }

  [[nodiscard]] PacedLine::Controller controller(
      std::function<std::string(std::size_t)> answer) const {
    return [*this, answer = std::move(answer)](PacedLine& line, std::size_t frame, double at) {
      const std::string reply = answer(frame);
      if (frame > 1) return line.send(reply, at + 8 * kByteSeconds);
      const double start =
          cut ? 0.0999 - static_cast<double>(noise.size() + reply.size()) * kByteSeconds : 0.0003;
      if (cut) line.hold_from(at + start + (cut_at + 0.5) * kByteSeconds);
      line.send(noise, at + start);
      line.send(reply, at + 8 * kByteSeconds + delay);
    };
  }

  std::string noise;
  double delay = 0;
  bool cut = false;
  int cut_at = 0;
};

}  // namespace test
