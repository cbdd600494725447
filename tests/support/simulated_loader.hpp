#pragma once
// The controller's resident firmware loader on the other end of a pseudo-terminal, for the
// tests of the flash utility. The constructor points ECU_COM<n> at the terminal; a thread
// records every byte the console writes, answers "q" with "B" while ready and sends "E"
// once the bytes received contain a chosen text.

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sim/line_time.hpp"
#include "sim/pseudo_terminal.hpp"

namespace test {

class SimulatedLoader {
 public:
  explicit SimulatedLoader(int com_number = 1);
  ~SimulatedLoader();
  SimulatedLoader(const SimulatedLoader&) = delete;
  SimulatedLoader& operator=(const SimulatedLoader&) = delete;

  // Whether "q" is answered with "B" (it is from the start).
  void set_ready(bool ready);
  // Sends "E" once everything received so far contains `text`.
  void fail_after(const std::string& text);
  void send(const std::string& bytes);
  [[nodiscard]] std::string received() const;
  // 19200 while the console has the terminal set to 19200 baud, 0 otherwise.
  [[nodiscard]] unsigned line_speed() const;

 private:
  void run();

  int com_number_;
  sim::PseudoTerminal terminal_;
  mutable std::mutex mutex_;
  bool stop_ = false;
  bool ready_ = true;
  std::string fail_text_;
  std::string received_;
  std::unique_ptr<sim::LineTime> time_;
  std::thread thread_;
};

}  // namespace test
